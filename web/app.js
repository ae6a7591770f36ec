// SPDX-License-Identifier: GPL-3.0-or-later
// The board page: the user plays on the board, chess.js keeps the game and its rules, and the
// engine answers from its Web Worker, which speaks UCI one line per message.
import {Chessboard, COLOR, INPUT_EVENT_TYPE, BORDER_TYPE} from "cm-chessboard/src/Chessboard.js"
import {Markers, MARKER_TYPE} from "cm-chessboard/src/extensions/markers/Markers.js"
import {PromotionDialog, PROMOTION_DIALOG_RESULT_TYPE} from "cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js"
import {Chess, DEFAULT_POSITION} from "chess.js"

const ENGINE_NAME = "Zeltro 1800"
const $ = (id) => document.getElementById(id)

const game = new Chess()
let startFen = DEFAULT_POSITION
let userColour = "w"
let engineReady = false
// Every change of the game bumps this; a reply to an older position is dropped when it comes.
let generation = 0
const searches = []

const board = new Chessboard($("board"), {
  position: game.fen(),
  assetsUrl: "assets/",
  style: {borderType: BORDER_TYPE.frame, pieces: {file: "pieces/standard.svg"}, animationDuration: 200},
  extensions: [{class: Markers, props: {autoMarkers: MARKER_TYPE.square}}, {class: PromotionDialog}],
})

const engine = new Worker("zeltro-worker.js")
engine.onmessage = (event) => onEngineLine(event.data)
engine.onerror = (event) => setStatus(`The engine failed to start: ${event.message}`)
const send = (line) => engine.postMessage(line)
send("uci")
send("isready")

function onEngineLine(line) {
  if (line === "readyok" && !engineReady) {
    engineReady = true
    newGame()
  } else if (line.startsWith("info ") && line.includes(" pv ") && searches[0] === generation) {
    showLine(line)
  } else if (line.startsWith("bestmove")) {
    onBestMove(line.split(" ")[1])
  }
}

// ---- The game ----

const engineToMove = () => game.turn() !== userColour && !game.isGameOver()

function uciMoves() {
  return game.history({verbose: true}).map((m) => m.from + m.to + (m.promotion || ""))
}

function askEngine() {
  if (!engineReady || !engineToMove()) return
  const moves = uciMoves()
  const from = startFen === DEFAULT_POSITION ? "startpos" : `fen ${startFen}`
  send(`position ${from}${moves.length ? " moves " + moves.join(" ") : ""}`)
  send(`go movetime ${$("movetime").value}`)
  searches.push(generation)
  clearLine()
  update()
}

function onBestMove(text) {
  if (searches.shift() !== generation || !engineToMove()) return
  const move = text && text !== "0000" ?
    {from: text.slice(0, 2), to: text.slice(2, 4), promotion: text[4]} : null
  try {
    game.move(move)
  } catch {
    setStatus(`${ENGINE_NAME} answered an impossible move (${text}).`)
    return
  }
  generation++
  afterMove()
}

function afterMove() {
  board.setPosition(game.fen(), true)
  markLastMove()
  update()
  askEngine()
}

function markLastMove() {
  board.removeMarkers(MARKER_TYPE.square)
  const last = game.history({verbose: true}).at(-1)
  if (last) {
    board.addMarker(MARKER_TYPE.square, last.from)
    board.addMarker(MARKER_TYPE.square, last.to)
  }
}

function newGame() {
  startFen = DEFAULT_POSITION
  game.reset()
  send("ucinewgame")
  restart()
}

// A new or loaded game in the chosen colour: the engine moves first if it is its turn.
function restart() {
  userColour = $("colour").value
  generation++
  board.setOrientation(userColour === "w" ? COLOR.white : COLOR.black)
  board.setPosition(game.fen(), false)
  markLastMove()
  clearLine()
  update()
  askEngine()
}

function takeBack() {
  if (game.history().length === 0) return
  game.undo()
  while (game.turn() !== userColour && game.history().length) game.undo()
  generation++
  board.setPosition(game.fen(), true)
  markLastMove()
  clearLine()
  update()
  askEngine()
}

function loadGame() {
  const text = $("load-text").value.trim()
  if (!text) return
  try {
    game.load(text)
  } catch {
    try {
      game.loadPgn(text)
    } catch {
      setStatus("That is neither a FEN nor a PGN this page can read.")
      return
    }
  }
  startFen = game.getHeaders().FEN ?? DEFAULT_POSITION
  send("ucinewgame")
  restart()
}

// ---- The user's moves ----

board.enableMoveInput(onInput)

function onInput(event) {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted: {
      if (!engineReady || engineToMove() || game.isGameOver()) return false
      const moves = game.moves({square: event.squareFrom, verbose: true})
      board.addLegalMovesMarkers(moves)
      return moves.length > 0
    }
    case INPUT_EVENT_TYPE.validateMoveInput:
      return userMove(event.squareFrom, event.squareTo)
    case INPUT_EVENT_TYPE.moveInputCanceled:
    case INPUT_EVENT_TYPE.moveInputFinished:
      board.removeLegalMovesMarkers()
      return true
  }
  return true
}

function userMove(from, to) {
  const legal = game.moves({square: from, verbose: true}).filter((m) => m.to === to)
  if (legal.length === 0) return false
  if (legal.some((m) => m.promotion)) {
    board.showPromotionDialog(to, userColour === "w" ? COLOR.white : COLOR.black, (result) => {
      if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) {
        game.move({from, to, promotion: result.piece.charAt(1)})
        generation++
      }
      afterMove()
    })
    return true
  }
  game.move({from, to})
  generation++
  // The board finishes showing the user's move before it is redrawn.
  setTimeout(afterMove)
  return true
}

// ---- What the page shows ----

function setStatus(text, over = false) {
  $("status").textContent = text
  $("status").classList.toggle("over", over)
}

function gameOverText() {
  const result = game.isCheckmate() ? (game.turn() === "w" ? "0-1" : "1-0") : "1/2-1/2"
  if (game.isCheckmate()) {
    const winner = game.turn() === userColour ? ENGINE_NAME : "You"
    return [result, `Checkmate. ${winner} ${winner === "You" ? "win" : "wins"}.`]
  }
  if (game.isStalemate()) return [result, "Stalemate: the game is drawn."]
  if (game.isInsufficientMaterial()) return [result, "Draw: neither side has enough material to mate."]
  if (game.isThreefoldRepetition()) return [result, "Draw by threefold repetition."]
  return [result, "Draw by the fifty-move rule."]
}

function update() {
  let result = "*"
  if (game.isGameOver()) {
    const [score, text] = gameOverText()
    result = score
    setStatus(text, true)
  } else if (!engineReady) {
    setStatus("Loading the engine…")
  } else if (engineToMove()) {
    setStatus(`${ENGINE_NAME} is thinking…`)
  } else {
    setStatus(`Your move (${userColour === "w" ? "White" : "Black"})${game.inCheck() ? " — check!" : ""}`)
  }
  $("take-back").disabled = game.history().length === 0
  $("board").dataset.fen = game.fen()
  showPgn(result)
}

function showPgn(result) {
  const engineWhite = userColour !== "w"
  game.setHeader("Event", "Casual game")
  game.setHeader("Site", "Zeltro 1800 in the browser")
  game.setHeader("Date", new Date().toISOString().slice(0, 10).replaceAll("-", "."))
  game.setHeader("White", engineWhite ? ENGINE_NAME : "You")
  game.setHeader("Black", engineWhite ? "You" : ENGINE_NAME)
  game.setHeader("Result", result)
  $("pgn").value = game.pgn()
  $("pgn").scrollTop = $("pgn").scrollHeight
}

function clearLine() {
  for (const id of ["depth", "score", "nodes"]) $(id).textContent = ""
  $("pv").textContent = engineToMove() ? "…" : `${ENGINE_NAME} shows its line here while it thinks.`
  $("pv").classList.add("idle")
}

// "info depth 7 seldepth 12 score cp 31 ... nodes 81234 ... pv e2e4 e7e5": the score is the
// engine's; the page shows it from White's side, the line in the usual notation.
function showLine(line) {
  const words = line.split(" ")
  const at = (key) => words.indexOf(key)
  const pv = words.slice(at("pv") + 1)
  const whiteSign = game.turn() === "w" ? 1 : -1
  $("depth").textContent = `depth ${words[at("depth") + 1]}`
  if (at("mate") > 0) {
    const n = Number(words[at("mate") + 1]) * whiteSign
    $("score").textContent = `${n > 0 ? "+" : "-"}M${Math.abs(n)}`
  } else if (at("cp") > 0) {
    const cp = Number(words[at("cp") + 1]) * whiteSign
    $("score").textContent = `${cp >= 0 ? "+" : "−"}${(Math.abs(cp) / 100).toFixed(2)}`
  }
  if (at("nodes") > 0) $("nodes").textContent = `${Number(words[at("nodes") + 1]).toLocaleString("en")} nodes`
  $("pv").textContent = pvText(pv)
  $("pv").classList.remove("idle")
}

function pvText(moves) {
  const copy = new Chess(game.fen())
  const parts = []
  for (const m of moves) {
    const number = copy.moveNumber()
    let san
    try {
      san = copy.move({from: m.slice(0, 2), to: m.slice(2, 4), promotion: m[4]}).san
    } catch {
      break
    }
    if (copy.turn() === "b") parts.push(`${number}.`)
    else if (parts.length === 0) parts.push(`${number}…`)
    parts.push(san)
  }
  return parts.join(" ")
}

$("new-game").addEventListener("click", newGame)
$("take-back").addEventListener("click", takeBack)
$("flip").addEventListener("click", () => board.setOrientation(board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white, true))
$("load").addEventListener("click", loadGame)
$("copy-pgn").addEventListener("click", async () => {
  try {
    await navigator.clipboard.writeText($("pgn").value)
  } catch {
    $("pgn").select()
    document.execCommand("copy")
  }
  $("copy-pgn").textContent = "Copied"
  setTimeout(() => ($("copy-pgn").textContent = "Copy PGN"), 1500)
})
update()
