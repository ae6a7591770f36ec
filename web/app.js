// SPDX-License-Identifier: GPL-3.0-or-later
// The board page: the user plays on the board or analyses, chess.js keeps the game and its rules,
// and the engine answers from its worker through zeltro-engine.js, one UCI line at a time.
import {Chessboard, COLOR, INPUT_EVENT_TYPE, BORDER_TYPE} from "cm-chessboard/src/Chessboard.js"
import {Markers, MARKER_TYPE} from "cm-chessboard/src/extensions/markers/Markers.js"
import {PromotionDialog, PROMOTION_DIALOG_RESULT_TYPE} from "cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js"
import {Chess, DEFAULT_POSITION} from "chess.js"
import {startEngine} from "./zeltro-engine.js"

const ENGINE_NAME = "Zeltro 1800"
const STORAGE_KEY = "zeltro-game"
const ANIMATION_MS = 200
const CLOCK_TICK_MS = 100
// An evaluation bar of +-EVAL_BAR_PAWNS fills most of its side.
const EVAL_BAR_PAWNS = 4
const $ = (id) => document.getElementById(id)

// ---- The game: a start, the moves played, and the one shown ----

const game = {
  startFen: DEFAULT_POSITION,
  moves: [],     // chess.js moves of the whole line, {from, to, promotion, san}
  ply: 0,        // how many of them lead to the position shown
  headers: {},   // a loaded PGN's own headers, kept as they were
  userColour: "w",
}
// The position shown, with the history that leads to it (repetitions count).
let shown = new Chess()
let flipped = false
let clock = null          // {w, b} milliseconds left, while a game with a clock is on
let flagFallen = null     // the colour whose time ran out
let lastTick = 0

function replay(ply) {
  const chess = new Chess(game.startFen)
  for (const m of game.moves.slice(0, ply)) chess.move({from: m.from, to: m.to, promotion: m.promotion})
  return chess
}

function show(ply) {
  game.ply = Math.max(0, Math.min(ply, game.moves.length))
  shown = replay(game.ply)
}

const atEnd = () => game.ply === game.moves.length
const gameOver = () => flagFallen !== null || (atEnd() && shown.isGameOver())
const analysing = () => $("analyse").checked
const engineToMove = () => engineReady && !analysing() && atEnd() && !gameOver() && shown.turn() !== game.userColour

// A move on the shown position; played from a past position, it starts a new line there.
function play(move) {
  const made = shown.move(move)
  game.moves = game.moves.slice(0, game.ply)
  game.moves.push({from: made.from, to: made.to, promotion: made.promotion, san: made.san})
  game.ply++
  if (clock) clock[made.color] += clockChoice().inc
  return made
}

// ---- The engine ----

const engine = startEngine()
let engineReady = false
let eloRange = null
// The searches asked for, oldest first; each ends with one bestmove, and only the newest counts.
const searches = []
window.zeltroEngine = engine

engine.onLine = (line) => {
  if (line.startsWith("option name UCI_Elo ")) {
    const [, min, max] = / min (\d+) max (\d+)/.exec(line) ?? []
    if (min) eloRange = {min: Number(min), max: Number(max)}
  } else if (line === "uciok") {
    offerLevels()
  } else if (line === "readyok" && !engineReady) {
    engineReady = true
    refresh()
  } else if (line.startsWith("info ") && searches.length === 1 && linesFor[0] === shown.fen()) {
    // The last lines of a search stopped as the user left its position are not shown.
    showInfo(line)
  } else if (line.startsWith("bestmove")) {
    onBestMove(searches.shift(), line.split(" ")[1])
  }
}
engine.send("uci")
engine.send("isready")

function positionLine() {
  const from = game.startFen === DEFAULT_POSITION ? "startpos" : `fen ${game.startFen}`
  const moves = game.moves.slice(0, game.ply).map((m) => m.from + m.to + (m.promotion || ""))
  return `position ${from}${moves.length ? " moves " + moves.join(" ") : ""}`
}

function goLine() {
  if (!clock) return `go movetime ${$("movetime").value}`
  const {inc} = clockChoice()
  return `go wtime ${Math.round(clock.w)} btime ${Math.round(clock.b)} winc ${inc} binc ${inc}`
}

// What the engine should be doing now: analysing the shown position, moving, or nothing.
function think() {
  const last = searches.at(-1)
  if (last && !last.stopped) {
    engine.send("stop")
    last.stopped = true
  }
  if (!engineReady || (analysing() ? shown.isGameOver() : !engineToMove())) {
    // Lines searched from another position (before a take back, a step through the game, a new
    // game) would stand beside this one as if they were its own.
    if (!linesFor.includes(shown.fen())) forgetLines()
    return
  }
  clearInfo()
  linesFor = [shown.fen()]
  const search = {analysis: analysing(), ply: game.ply, stopped: false}
  // Options are sent before each search: the engine takes none while it searches.
  engine.send(`setoption name MultiPV value ${search.analysis ? $("lines").value : 1}`)
  sendLevel(search.analysis)
  engine.send(positionLine())
  engine.send(search.analysis ? "go infinite" : goLine())
  searches.push(search)
}

function onBestMove(search, text) {
  if (!search || search.stopped || search.analysis || search.ply !== game.ply || !engineToMove()) return
  try {
    play({from: text.slice(0, 2), to: text.slice(2, 4), promotion: text[4]})
  } catch {
    setStatus(`${ENGINE_NAME} answered an impossible move (${text}).`)
    return
  }
  linesFor.push(shown.fen())
  refresh(true)
}

// ---- Strength ----

// Levels from the engine's own range; an engine without one plays at full strength.
function offerLevels() {
  if (!eloRange) return
  const select = $("level")
  const steps = 5
  for (let i = 0; i < steps; i++) {
    const elo = Math.round((eloRange.min + ((eloRange.max - eloRange.min) * i) / steps) / 50) * 50
    select.add(new Option(`Elo ${elo}`, String(elo)))
  }
  const saved = localStorage.getItem("zeltro-level")
  if (saved && [...select.options].some((o) => o.value === saved)) select.value = saved
  $("level-choice").hidden = false
}

// Analysis always searches at full strength; play at the chosen level.
function sendLevel(analysis) {
  if (!eloRange) return
  const level = analysis ? "full" : $("level").value
  engine.send(`setoption name UCI_LimitStrength value ${level === "full" ? "false" : "true"}`)
  if (level !== "full") engine.send(`setoption name UCI_Elo value ${level}`)
}

// ---- Clocks ----

function clockChoice() {
  const [minutes, inc] = $("clock").value.split("+").map(Number)
  return {base: minutes * 60_000, inc: inc * 1000}
}

function startClock() {
  clock = $("clock").value === "none" ? null : {w: clockChoice().base, b: clockChoice().base}
  flagFallen = null
  lastTick = performance.now()
  showClocks()
}

// The side to move spends its time while a game is on at its last move.
function tick() {
  const now = performance.now()
  const spent = now - lastTick
  lastTick = now
  if (!clock || analysing() || !atEnd() || gameOver() || game.moves.length === 0) return
  const side = shown.turn()
  clock[side] = Math.max(0, clock[side] - spent)
  if (clock[side] === 0) {
    flagFallen = side
    think()
    refresh()
  }
  showClocks()
}
setInterval(tick, CLOCK_TICK_MS)

function showClocks() {
  $("clocks").hidden = !clock
  if (!clock) return
  const text = (ms) => {
    const s = Math.ceil(ms / 1000)
    return `${Math.floor(s / 60)}:${String(s % 60).padStart(2, "0")}`
  }
  for (const side of ["w", "b"]) {
    const mine = side === game.userColour
    $(`clock-${side}`).textContent = `${mine ? "You" : ENGINE_NAME} ${text(clock[side])}`
    $(`clock-${side}`).classList.toggle("running", shown.turn() === side && atEnd() && !gameOver())
  }
}

// ---- Board and input ----

const board = new Chessboard($("board"), {
  position: shown.fen(),
  assetsUrl: "assets/",
  style: {borderType: BORDER_TYPE.frame, pieces: {file: "pieces/standard.svg"}, animationDuration: ANIMATION_MS},
  extensions: [{class: Markers, props: {autoMarkers: MARKER_TYPE.square}}, {class: PromotionDialog}],
})
board.enableMoveInput(onInput)

function onInput(event) {
  switch (event.type) {
    case INPUT_EVENT_TYPE.moveInputStarted: {
      if (!engineReady || engineToMove() || gameOver()) return false
      const moves = shown.moves({square: event.squareFrom, verbose: true})
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
  const legal = shown.moves({square: from, verbose: true}).filter((m) => m.to === to)
  if (legal.length === 0) return false
  if (legal.some((m) => m.promotion)) {
    board.showPromotionDialog(to, shown.turn() === "w" ? COLOR.white : COLOR.black, (result) => {
      if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) play({from, to, promotion: result.piece.charAt(1)})
      refresh(true)
    })
    return true
  }
  play({from, to})
  // The board finishes showing the user's move before it is redrawn.
  setTimeout(() => refresh(true))
  return true
}

// The wanted side at the bottom; a turn asked for while the board turns follows it.
let turning = false
async function orient() {
  const want = (game.userColour === "w") !== flipped ? COLOR.white : COLOR.black
  if (turning || board.getOrientation() === want) return
  turning = true
  $("eval-bar").classList.toggle("black-below", want === COLOR.black)
  await board.setOrientation(want, true)
  turning = false
  orient()
}

// ---- Everything after a change: board, engine, texts, storage ----

function refresh(animated = false) {
  board.setPosition(shown.fen(), animated)
  markLastMove()
  think()
  update()
  save()
}

function markLastMove() {
  board.removeMarkers(MARKER_TYPE.square)
  const last = game.moves[game.ply - 1]
  if (last) {
    board.addMarker(MARKER_TYPE.square, last.from)
    board.addMarker(MARKER_TYPE.square, last.to)
  }
}

function newGame() {
  game.startFen = DEFAULT_POSITION
  game.moves = []
  game.headers = {}
  startLoaded()
}

// A new or loaded game in the chosen colour and time control.
function startLoaded() {
  game.userColour = $("colour").value
  flipped = false
  show(game.moves.length)
  startClock()
  engine.send("ucinewgame")
  orient()
  clearInfo()
  refresh()
}

function takeBack() {
  if (game.ply === 0) return
  show(game.ply - 1)
  while (shown.turn() !== game.userColour && game.ply > 0 && !analysing()) show(game.ply - 1)
  game.moves = game.moves.slice(0, game.ply)
  flagFallen = null
  refresh(true)
}

function load(text) {
  const chess = new Chess()
  try {
    chess.load(text)
  } catch {
    try {
      chess.loadPgn(text)
    } catch {
      return false
    }
  }
  const headers = chess.getHeaders()
  game.startFen = headers.FEN ?? (chess.history().length ? DEFAULT_POSITION : chess.fen())
  game.moves = chess.history({verbose: true}).map((m) => ({from: m.from, to: m.to, promotion: m.promotion, san: m.san}))
  // chess.js fills the headers a PGN leaves out with "?"; those are left to the page.
  const given = Object.entries(headers).filter(([, value]) => !/^[?.]*$/.test(value))
  game.headers = chess.history().length || headers.FEN ? Object.fromEntries(given) : {}
  return true
}

function loadFromBox() {
  const text = $("load-text").value.trim()
  if (!text) return
  if (!load(text)) {
    setStatus("That is neither a FEN nor a PGN this page can read.")
    return
  }
  startLoaded()
}

// ---- What the page shows ----

function setStatus(text, over = false) {
  $("status").textContent = text
  $("status").classList.toggle("over", over)
}

function result() {
  if (flagFallen) return flagFallen === "w" ? "0-1" : "1-0"
  const end = replay(game.moves.length)
  if (!end.isGameOver()) return "*"
  return end.isCheckmate() ? (end.turn() === "w" ? "0-1" : "1-0") : "1/2-1/2"
}

function gameOverText() {
  const who = (side) => (side === game.userColour ? "You" : ENGINE_NAME)
  const win = (side) => `${who(side)} ${who(side) === "You" ? "win" : "wins"}.`
  if (flagFallen) return `${who(flagFallen)} lost on time. ${win(flagFallen === "w" ? "b" : "w")}`
  if (shown.isCheckmate()) return `Checkmate. ${win(shown.turn() === "w" ? "b" : "w")}`
  if (shown.isStalemate()) return "Stalemate: the game is drawn."
  if (shown.isInsufficientMaterial()) return "Draw: neither side has enough material to mate."
  if (shown.isThreefoldRepetition()) return "Draw by threefold repetition."
  return "Draw by the fifty-move rule."
}

function update() {
  const side = shown.turn() === "w" ? "White" : "Black"
  if (gameOver()) setStatus(gameOverText(), true)
  else if (!engineReady) setStatus("Loading the engine…")
  else if (analysing()) setStatus(`Analysing: ${side} to move${engine.interruptible ? "" : " (each change restarts the engine; nothing is lost)"}`)
  else if (!atEnd()) setStatus(`Move ${Math.floor(game.ply / 2) + 1} of the game: play a move to start a new line here, or → to go on.`)
  else if (engineToMove()) setStatus(`${ENGINE_NAME} is thinking…`)
  else setStatus(`Your move (${side})${shown.inCheck() ? " — check!" : ""}`)
  $("take-back").disabled = game.ply === 0
  $("stop").disabled = !searches.some((s) => !s.stopped)
  $("board").dataset.fen = shown.fen()
  showMoves()
  showClocks()
  $("pgn").value = pgn()
}

function pgn() {
  const chess = replay(game.moves.length)
  const engineWhite = game.userColour !== "w"
  const defaults = {
    Event: "Casual game", Site: "Zeltro 1800 in the browser",
    Date: new Date().toISOString().slice(0, 10).replaceAll("-", "."),
    White: engineWhite ? ENGINE_NAME : "You", Black: engineWhite ? "You" : ENGINE_NAME,
  }
  for (const [key, value] of Object.entries({...defaults, ...game.headers})) chess.setHeader(key, value)
  chess.setHeader("Result", result())
  return chess.pgn()
}

function showMoves() {
  const list = $("moves")
  list.replaceChildren()
  const first = new Chess(game.startFen)
  let number = first.moveNumber()
  let white = first.turn() === "w"
  game.moves.forEach((m, i) => {
    if (white || i === 0) {
      const n = document.createElement("span")
      n.className = "number"
      n.textContent = white ? `${number}.` : `${number}…`
      list.append(n)
    }
    const item = document.createElement("button")
    item.type = "button"
    item.className = "move"
    item.textContent = m.san
    item.dataset.ply = String(i + 1)
    if (i + 1 === game.ply) item.classList.add("current")
    list.append(item)
    if (!white) number++
    white = !white
  })
  list.querySelector(".current")?.scrollIntoView({block: "nearest"})
}

// ---- The engine's lines ----

const lines = new Map() // multipv number -> {score, pv}
// The positions the lines shown belong to: the one searched, and the one its best move led to.
let linesFor = []

function clearInfo() {
  lines.clear()
  for (const id of ["depth", "nodes", "speed"]) $(id).textContent = ""
  $("pv-lines").replaceChildren()
  const p = document.createElement("p")
  p.className = "pv idle"
  p.textContent = analysing() || engineToMove() ? "…" : `${ENGINE_NAME} shows its lines here while it thinks.`
  $("pv-lines").append(p)
}

// "info depth 7 multipv 2 score cp 31 ... nodes 81234 nps 90000 pv e2e4 e7e5", or the 500 ms
// "info nodes N nps S": scores are the engine's, shown from White's side.
function showInfo(line) {
  const words = line.split(" ")
  const value = (key) => (words.indexOf(key) > 0 ? words[words.indexOf(key) + 1] : null)
  if (value("depth")) $("depth").textContent = `depth ${value("depth")}`
  if (value("nodes")) $("nodes").textContent = `${Number(value("nodes")).toLocaleString("en")} nodes`
  if (value("nps")) $("speed").textContent = `${Math.round(Number(value("nps")) / 1000).toLocaleString("en")} kN/s`
  if (!words.includes("pv")) return
  const whiteSign = shown.turn() === "w" ? 1 : -1
  let score
  let pawns
  if (value("mate")) {
    const n = Number(value("mate")) * whiteSign
    score = `${n > 0 ? "+" : "−"}M${Math.abs(n)}`
    pawns = n > 0 ? EVAL_BAR_PAWNS * 2 : -EVAL_BAR_PAWNS * 2
  } else {
    pawns = (Number(value("cp")) * whiteSign) / 100
    score = `${pawns >= 0 ? "+" : "−"}${Math.abs(pawns).toFixed(2)}`
  }
  const multipv = Number(value("multipv") ?? 1)
  lines.set(multipv, {score, pv: pvText(words.slice(words.indexOf("pv") + 1))})
  if (multipv === 1) showEval(pawns)
  showLines()
}

function showLines() {
  const shownLines = [...lines.keys()].sort((a, b) => a - b).map((k) => {
    const p = document.createElement("p")
    p.className = "pv"
    const s = document.createElement("b")
    s.textContent = lines.get(k).score
    p.append(s, ` ${lines.get(k).pv}`)
    return p
  })
  $("pv-lines").replaceChildren(...shownLines)
}

// No lines, and the evaluation bar even, until the engine searches again.
function forgetLines() {
  linesFor = []
  clearInfo()
  $("eval-fill").style.height = "50%"
  $("eval-bar").title = ""
}

function showEval(pawns) {
  const white = 50 + 50 * Math.tanh(pawns / EVAL_BAR_PAWNS)
  $("eval-fill").style.height = `${white}%`
  $("eval-bar").title = `${pawns >= 0 ? "+" : "−"}${Math.abs(pawns).toFixed(2)}`
}

function pvText(moves) {
  const copy = new Chess(shown.fen())
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

// ---- Keep and share ----

function save() {
  const kept = {...game, moves: game.moves.map((m) => m.from + m.to + (m.promotion || "")), clock: $("clock").value}
  localStorage.setItem(STORAGE_KEY, JSON.stringify(kept))
}

// The address first (#fen=... or #pgn=...), then the game kept from the last visit.
function restore() {
  const hash = new URLSearchParams(location.hash.slice(1))
  const given = hash.get("pgn") ?? hash.get("fen")
  if (given && load(given)) {
    show(game.moves.length)
    return true
  }
  try {
    const kept = JSON.parse(localStorage.getItem(STORAGE_KEY))
    if (!kept) return false
    const chess = new Chess(kept.startFen)
    game.moves = kept.moves.map((uci) => {
      const m = chess.move({from: uci.slice(0, 2), to: uci.slice(2, 4), promotion: uci[4]})
      return {from: m.from, to: m.to, promotion: m.promotion, san: m.san}
    })
    Object.assign(game, {startFen: kept.startFen, headers: kept.headers, userColour: kept.userColour})
    $("colour").value = kept.userColour
    $("clock").value = kept.clock
    show(kept.ply)
    return true
  } catch {
    return false
  }
}

function shareAddress() {
  const address = new URL(location.href)
  address.hash = game.moves.length ? `pgn=${encodeURIComponent(replay(game.moves.length).pgn())}` :
    `fen=${encodeURIComponent(game.startFen)}`
  return address.href
}

async function copy(text, button) {
  try {
    await navigator.clipboard.writeText(text)
  } catch {
    const box = $("load-text")
    const before = box.value
    box.value = text
    box.select()
    document.execCommand("copy")
    box.value = before
  }
  const label = button.textContent
  button.textContent = "Copied"
  setTimeout(() => (button.textContent = label), 1500)
}

// ---- Controls and keys ----

$("new-game").addEventListener("click", newGame)
$("take-back").addEventListener("click", takeBack)
$("flip").addEventListener("click", () => {
  flipped = !flipped
  orient()
})
$("colour").addEventListener("change", () => {
  game.userColour = $("colour").value
  flipped = false
  orient()
  refresh()
})
$("level").addEventListener("change", () => localStorage.setItem("zeltro-level", $("level").value))
$("clock").addEventListener("change", () => {
  startClock()
  refresh()
})
$("analyse").addEventListener("change", () => refresh())
$("lines").addEventListener("change", () => refresh())
$("stop").addEventListener("click", () => {
  const last = searches.at(-1)
  if (last && !last.stopped) {
    engine.send("stop")
    last.stopped = true
  }
  update()
})
$("load").addEventListener("click", loadFromBox)
$("copy-pgn").addEventListener("click", () => copy(pgn(), $("copy-pgn")))
$("copy-fen").addEventListener("click", () => copy(shown.fen(), $("copy-fen")))
$("share").addEventListener("click", () => copy(shareAddress(), $("share")))
$("moves").addEventListener("click", (event) => {
  if (!event.target.dataset.ply) return
  show(Number(event.target.dataset.ply))
  refresh(true)
})
const NAVIGATION = {
  ArrowLeft: () => game.ply - 1, ArrowRight: () => game.ply + 1, Home: () => 0, End: () => game.moves.length,
}
for (const [id, key] of [["first", "Home"], ["back", "ArrowLeft"], ["forward", "ArrowRight"], ["last", "End"]]) {
  $(id).addEventListener("click", () => navigate(key))
}
function navigate(key) {
  const ply = NAVIGATION[key]()
  if (ply < 0 || ply > game.moves.length || ply === game.ply) return
  show(ply)
  refresh(true)
}
document.addEventListener("keydown", (event) => {
  if (!NAVIGATION[event.key] || event.target.closest("textarea, select, input:not([type=checkbox])")) return
  event.preventDefault()
  navigate(event.key)
})
window.addEventListener("hashchange", () => {
  if (restore()) startLoaded()
})

// ---- Start ----

if (restore()) {
  flipped = false
  orient()
}
startClock()
refresh()
// Offline use, and the isolation headers on hosts that cannot send them: both come from the
// service worker. A first visit is not yet isolated; it reloads once, with the game kept.
if ("serviceWorker" in navigator && window.isSecureContext) {
  navigator.serviceWorker.register("sw.js").then(() => navigator.serviceWorker.ready).then(() => {
    if (!window.crossOriginIsolated && !sessionStorage.getItem("zeltro-isolating")) {
      sessionStorage.setItem("zeltro-isolating", "1")
      location.reload()
    }
  }).catch(() => {})
}
