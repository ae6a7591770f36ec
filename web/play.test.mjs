// SPDX-License-Identifier: GPL-3.0-or-later
// The board page in headless chromium, used as a person would: served by a plain static server,
// isolated by its service worker after one reload; the engine stopped during "go infinite" through
// zeltro-engine.js, and without isolation by a fresh worker; a game played by clicks and a drag,
// mates announced, analysis with several lines following the moves, a level and a clock reaching
// the engine, the game kept over a reload, a #fen= address, an offline reload, and no console errors.
// usage: node play.test.mjs BUILD_DIR ARTIFACT_DIR
import {spawn} from "node:child_process"
import fs from "node:fs"
import http from "node:http"
import os from "node:os"
import path from "node:path"
import puppeteer from "puppeteer-core"
import {Chess} from "chess.js"

const [root, artifacts] = process.argv.slice(2)
fs.mkdirSync(artifacts, {recursive: true})
fs.rmSync(path.join(artifacts, "failure.png"), {force: true}) // a failure of an earlier run
const TYPES = {".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".svg": "image/svg+xml",
  ".wasm": "application/wasm", ".txt": "text/plain", ".webmanifest": "application/manifest+json"}
// A hang guard only: the whole run takes about a minute.
setTimeout(() => fail("no result within four minutes"), 240_000).unref()
const WAIT = {timeout: 60_000}
const STOP_MS = 500
const RESTART_MS = 1000

let page = null
let offlineNow = false
const errors = []
// What the page showed and the engine said last, and a screenshot, to see why.
async function fail(message) {
  console.error(`web test FAILED: ${message}`)
  setTimeout(() => process.exit(1), 10_000).unref()
  if (errors.length) console.error(`console errors:\n${errors.join("\n")}`)
  if (page) {
    console.error(`status: ${await page.$eval("#status", (e) => e.textContent).catch(() => "?")}`)
    console.error(`engine said: ${(await page.evaluate(() => window.engineLines.slice(-8).join("\n")).catch(() => "?"))}`)
    await page.screenshot({path: path.join(artifacts, "failure.png")}).catch(() => {})
  }
  process.exit(1)
}

// Any plain static host: no headers beyond the content type.
const server = http.createServer((req, res) => {
  const file = path.join(root, decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/\/$/, "/index.html"))
  fs.readFile(file, (err, data) => {
    res.writeHead(err ? 404 : 200, {"Content-Type": TYPES[path.extname(file)] || "application/octet-stream"})
    res.end(err ? "" : data)
  })
}).listen(0, "127.0.0.1")
await new Promise((resolve) => server.once("listening", resolve))
const site = `http://127.0.0.1:${server.address().port}/`

const profile = fs.mkdtempSync(path.join(os.tmpdir(), "zeltro-chromium-"))
const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium",
  headless: true,
  userDataDir: profile,
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync"],
})

// Every line the engines say and every line the page sends its engine are kept: through the shared queue
// (read back from its bytes) or as posted strings. An engine that declares no strength range is
// given one, so that the page's level choice is tried all the same.
function watchEngines() {
  window.engineLines = []
  window.postedLines = []
  window.inputs = []
  const PageWorker = window.Worker
  window.Worker = class extends PageWorker {
    constructor(...args) {
      super(...args)
      let elo = false
      this.addEventListener("message", (e) => {
        window.engineLines.push(e.data)
        if (String(e.data).startsWith("option name UCI_Elo ")) elo = true
        if (e.data === "uciok" && !elo) {
          this.dispatchEvent(new MessageEvent("message", {data: "option name UCI_Elo type spin default 2000 min 800 max 2000"}))
        }
      })
    }
    postMessage(data) {
      if (data && data.input) window.inputs.push(data.input)
      else window.postedLines.push(...String(data).split("\n"))
      super.postMessage(data)
    }
  }
  // The page's own engine is the first one it starts.
  window.sentLines = () => {
    const buffer = window.inputs[0]
    if (!buffer) return window.postedLines.slice()
    const written = new Int32Array(buffer, 0, 1)[0]
    return new TextDecoder().decode(new Uint8Array(buffer, 8, written).slice()).split("\n").filter(Boolean)
  }
}

async function openPage(context) {
  const p = await context.newPage()
  p.on("console", (m) => m.type() === "error" && !m.location().url?.endsWith("/favicon.ico") && errors.push(m.text()))
  p.on("pageerror", (e) => errors.push(e.message))
  p.on("requestfailed", (r) => offlineNow || errors.push(`request failed: ${r.url()}`))
  p.on("response", (r) => r.status() >= 400 && !r.url().endsWith("/favicon.ico") && errors.push(`${r.status()}: ${r.url()}`))
  p.on("workercreated", (w) => w.on("console", (m) => m.type() === "error" && errors.push(m.text())))
  await p.evaluateOnNewDocument(watchEngines)
  await p.setViewport({width: 1280, height: 820})
  return p
}

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms))
const status = () => page.$eval("#status", (e) => e.textContent)
const waitStatus = (text) => page.waitForFunction((t) => document.querySelector("#status").textContent.includes(t), WAIT, text)
const boardFen = () => page.$eval("#board", (e) => e.dataset.fen)
const bestmoves = () => page.evaluate(() => window.engineLines.filter((l) => l.startsWith("bestmove")))
const sentSince = (n) => page.evaluate((k) => window.sentLines().slice(k), n)
const sentCount = () => page.evaluate(() => window.sentLines().length)
// One look at the square, so that a redraw of the board cannot come between finding and measuring it.
const centre = (square) => page.$eval(`#board rect[data-square="${square}"]`, (e) => {
  const r = e.getBoundingClientRect()
  return [r.x + r.width / 2, r.y + r.height / 2]
})
async function click(square) {
  await page.mouse.click(...await centre(square))
}
async function drag(from, to) {
  await page.mouse.move(...await centre(from))
  await page.mouse.down()
  await page.mouse.move(...await centre(to), {steps: 8})
  await page.mouse.up()
}
async function loadGame(text) {
  await page.evaluate(() => (document.querySelector("details").open = true))
  await page.$eval("#load-text", (e, t) => (e.value = t), text)
  await page.click("#load")
  await page.evaluate(() => window.scrollTo(0, 0))
}

// The engine module on its own: "isready" and "stop" during "go infinite", timed in the page.
// Without isolation the stop ends the worker, and a fresh one answers what follows.
async function stopDuringInfinite(interruptible) {
  const said = await page.evaluate(async () => {
    const {startEngine} = await import("/zeltro-engine.js")
    const engine = startEngine()
    const heard = []
    let asked = 0
    let waiter = null
    engine.onLine = (line) => {
      heard.push([performance.now() - asked, line])
      if (waiter && waiter.test(line)) waiter.done()
    }
    // A hang guard: an engine that never answers fails here rather than at the whole test's limit.
    const until = (test) => new Promise((done, fail) => {
      const guard = setTimeout(() => fail(new Error(`no answer after ${heard.at(-1)?.[1]}`)), 20_000)
      waiter = {test, done: () => (clearTimeout(guard), done())}
    })
    const send = (line) => {
      asked = performance.now()
      engine.send(line)
    }
    send("uci")
    send("isready")
    await until((l) => l === "readyok")
    send("position startpos moves e2e4")
    send("go infinite")
    await until((l) => l.includes(" pv "))
    await new Promise((done) => setTimeout(done, 700))
    send("isready")
    await until((l) => l === "readyok")
    const ready = heard.at(-1)[0]
    send("stop")
    await until((l) => l.startsWith("bestmove"))
    const stop = heard.at(-1)
    send("go depth 3")
    await until((l) => l.startsWith("bestmove"))
    engine.terminate()
    return {interruptible: engine.interruptible, ready, stop, after: heard.at(-1)}
  })
  console.log(`web test: ${interruptible ? "shared queue" : "no isolation"}: readyok after ${said.ready.toFixed(0)} ms, ` +
    `${said.stop[1]} after ${said.stop[0].toFixed(0)} ms, then go depth 3: ${said.after[1]} after ${said.after[0].toFixed(0)} ms`)
  if (said.interruptible !== interruptible) throw new Error(`the engine module says interruptible ${said.interruptible}`)
  if (said.ready > STOP_MS) throw new Error(`isready during a search took ${said.ready} ms`)
  const limit = interruptible ? STOP_MS : RESTART_MS
  if (!/^bestmove [a-h][1-8][a-h][1-8]/.test(said.stop[1]) || said.stop[0] > limit) {
    throw new Error(`stop during go infinite: ${said.stop[1]} after ${said.stop[0]} ms`)
  }
  if (!/^bestmove [a-h][1-8][a-h][1-8]/.test(said.after[1]) || said.after[0] > limit) {
    throw new Error(`after the stop, go depth 3 got ${said.after[1]} after ${said.after[0]} ms`)
  }
}

async function playGame() {
  await waitStatus("Your move")
  await page.select("#movetime", "500")
  const game = new Chess()
  const shownLines = new Set()
  // The user's moves, by clicks; the last one by a drag.
  for (const [san, how] of [["e4", click], ["Nf3", click], ["d4", drag]]) {
    let move
    try {
      move = game.move(san)
    } catch {
      move = game.move(game.moves()[0])
    }
    const before = (await bestmoves()).length
    if (how === click) {
      await click(move.from)
      await click(move.to)
    } else {
      await drag(move.from, move.to)
    }
    await page.waitForFunction((n) => window.engineLines.filter((l) => l.startsWith("bestmove")).length > n, WAIT, before)
    await waitStatus("Your move")
    const reply = (await bestmoves()).at(-1).split(" ")[1]
    try {
      game.move({from: reply.slice(0, 2), to: reply.slice(2, 4), promotion: reply[4]})
    } catch {
      throw new Error(`the engine answered ${move.san} with an illegal move ${reply}`)
    }
    if (await boardFen() !== game.fen()) throw new Error(`after ${reply} the page shows ${await boardFen()}, not ${game.fen()}`)
    const line = await page.$$eval("#depth, #pv-lines", (es) => es.map((e) => e.textContent).join(" "))
    if (!/^depth \d+ [+−]\S+ \d+\S* \S/.test(line)) throw new Error(`no engine line shown after ${reply}: ${line}`)
    shownLines.add(line)
    console.log(`web test: ${move.san} ${reply} | ${line}`)
  }
  if (shownLines.size < 3) throw new Error("the engine line did not change from move to move")
  const moveList = await page.$$eval("#moves .move", (es) => es.map((e) => e.textContent).join(" "))
  if (moveList !== game.history().join(" ")) throw new Error(`the move list shows ${moveList}, not ${game.history().join(" ")}`)

  // Take back returns to the user's previous move.
  await page.click("#take-back")
  game.undo()
  game.undo()
  if (await boardFen() !== game.fen()) throw new Error("take back did not restore the position")
  // The lines of the searches before it belong to other positions: none stays, and the bar is even.
  const stale = await page.$$eval("#pv-lines .pv:not(.idle), #eval-fill", (es) =>
    es.map((e) => e.textContent || e.style.height).join(" "))
  if (stale !== "50%") throw new Error(`after take back the engine panel still shows ${stale}`)
  await pause(600) // the pieces have moved back
  await page.screenshot({path: path.join(artifacts, "zeltro-web-game.png")})

  // A fool's mate: loaded up to White's last blunder, the engine must find the mate and the page must say so.
  await loadGame("1. f3 e5 2. g4")
  await waitStatus("Checkmate. Zeltro 1800 wins.")
  if ((await bestmoves()).at(-1) !== "bestmove d8h4") throw new Error(`the engine missed the mate: ${(await bestmoves()).at(-1)}`)
  if (!(await page.$eval("#pgn", (e) => e.value)).includes("2. g4 Qh4# 0-1")) throw new Error("the PGN does not end with the mate")
  // And the user's own mate, dragged on the board, in a pasted game whose headers stay.
  await loadGame('[Event "Club night"]\n[White "Ann"]\n[Black "Bob"]\n\n1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6')
  await waitStatus("Your move")
  await drag("h5", "f7")
  await waitStatus("Checkmate. You win.")
  const pgn = await page.$eval("#pgn", (e) => e.value)
  if (!pgn.includes('[Event "Club night"]') || !pgn.includes('[White "Ann"]') || !pgn.includes("4. Qxf7# 1-0")) {
    throw new Error(`the pasted game lost its headers or its end:\n${pgn}`)
  }
}

// Analysis: several lines for the shown position, restarted on every step through the game.
async function analyse() {
  await page.select("#lines", "3")
  await page.click("#analyse")
  // The game ends in mate, which has nothing to analyse: a click on the move before it, then a step back.
  await page.click('#moves .move[data-ply="6"]')
  await page.waitForFunction((f) => document.querySelector("#board").dataset.fen === f, WAIT,
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4")
  const lines = () => page.$$eval("#pv-lines .pv:not(.idle)", (es) => es.map((e) => e.textContent))
  await page.waitForFunction(() => document.querySelectorAll("#pv-lines .pv:not(.idle)").length === 3, WAIT)
  await page.waitForFunction(() => / nodes$/.test(document.querySelector("#nodes").textContent), WAIT)
  const before = await sentCount()
  const atEnd = await lines()
  await page.keyboard.press("ArrowLeft")
  // The key is handled in its own time; a new search must start within the guard.
  await page.waitForFunction((n) => window.sentLines().slice(n).includes("go infinite"), WAIT, before)
  const sent = await sentSince(before)
  const last = sent.filter((l) => l.startsWith("position")).at(-1)
  if (sent[0] !== "stop" || !last?.endsWith("f1c4 b8c6 d1h5") || sent.at(-1) !== "go infinite") {
    throw new Error(`a step back in the analysis sent: ${sent.join(" | ")}`)
  }
  await page.waitForFunction((old) => {
    const now = [...document.querySelectorAll("#pv-lines .pv:not(.idle)")].map((e) => e.textContent)
    return now.length === 3 && now.join() !== old.join()
  }, WAIT, atEnd)
  console.log(`web test: analysis after 3. Qh5: ${(await lines()).join(" / ")}`)
  await page.click("#stop")
  await page.waitForFunction(() => window.engineLines.at(-1).startsWith("bestmove"), {timeout: 5000})
  // Analysis off and a step to the end while a search runs: its last words are not shown there.
  const ended = (await bestmoves()).length
  await page.keyboard.press("ArrowRight")
  await page.waitForFunction(() => document.querySelectorAll("#pv-lines .pv:not(.idle)").length === 3, WAIT)
  await page.evaluate(() => { document.querySelector("#analyse").click(); document.querySelector("#last").click() })
  await page.waitForFunction((n) => window.engineLines.filter((l) => l.startsWith("bestmove")).length > n, WAIT, ended)
  await pause(100)
  const left = await page.$$eval("#pv-lines .pv:not(.idle), #nodes", (es) => es.map((e) => e.textContent).join(""))
  if (left) throw new Error(`a search stopped as the user left its position still showed: ${left}`)
}

// A level and a clock: the engine hears both before its search.
async function levelAndClock() {
  const level = await page.$eval("#level", (e) => e.options[1].value)
  await page.select("#level", level)
  await page.select("#clock", "3+2")
  // Two quick flips leave White below; the colour choice turns the board at once.
  const whiteBelow = async () => (await centre("a1"))[1] > (await centre("a8"))[1]
  await page.click("#flip")
  await page.click("#flip")
  await pause(1200)
  if (!await whiteBelow()) throw new Error("two quick flips left Black below")
  await page.select("#colour", "b")
  await pause(1200)
  if (await whiteBelow()) throw new Error("playing Black, the board still has White below")
  const before = await sentCount()
  // Counted before the click: a low level answers within a millisecond.
  const replies = (await bestmoves()).length
  await page.click("#new-game")
  await page.waitForFunction((n) => window.engineLines.filter((l) => l.startsWith("bestmove")).length > n, WAIT,
    replies)
  const sent = await sentSince(0)
  const go = (await sentSince(before)).find((l) => l.startsWith("go "))
  if (!sent.includes("setoption name UCI_LimitStrength value true") || !sent.includes(`setoption name UCI_Elo value ${level}`)) {
    throw new Error(`level ${level} did not reach the engine`)
  }
  if (!/^go wtime 1[0-9]{5} btime 180000 winc 2000 binc 2000$/.test(go)) throw new Error(`with a 3+2 clock the engine got ${go}`)
  await waitStatus("Your move (Black)")
  const clocks = await page.$eval("#clocks", (e) => e.textContent)
  if (!/Zeltro 1800 [23]:\d\d.*You 3:00/.test(clocks)) throw new Error(`the clocks show ${clocks}`)
  console.log(`web test: level ${level}, ${go}; clocks ${clocks}`)
}

async function keepAndShare() {
  const fen = await boardFen()
  const moves = await page.$eval("#moves", (e) => e.textContent)
  // The browser hands the storage written by one page to the next within a moment, not at once.
  await pause(1000)
  await Promise.all([page.waitForNavigation(), page.evaluate(() => location.reload())])
  await waitStatus("Your move")
  if (await boardFen() !== fen || await page.$eval("#moves", (e) => e.textContent) !== moves) {
    throw new Error(`after a reload the page shows ${await boardFen()}, not ${fen}`)
  }
  // Black to move: the user still plays Black, so the engine, which may answer at once, waits.
  const given = "8/8/8/4k3/8/8/4P3/4K3 b - - 0 1"
  await page.goto(`${site}#fen=${encodeURIComponent(given)}`)
  await page.waitForFunction((f) => document.querySelector("#board").dataset.fen === f, WAIT, given)
}

// The site's server gone, as when the network is: the page and its engine come from the service worker.
async function offline() {
  offlineNow = true
  const port = server.address().port
  server.close()
  server.closeAllConnections()
  await Promise.all([page.waitForNavigation(), page.evaluate(() => location.reload())])
  await page.waitForFunction(() => window.engineLines.includes("readyok"), WAIT)
  await waitStatus("Your move")
  server.listen(port, "127.0.0.1")
  await new Promise((resolve) => server.once("listening", resolve))
  offlineNow = false
}

async function screenshots() {
  await page.goto(`${site}#pgn=${encodeURIComponent("1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6")}`)
  await page.select("#colour", "w")
  await page.select("#lines", "3")
  const before = await sentCount()
  await page.click("#analyse")
  await page.waitForFunction(() => document.querySelectorAll("#pv-lines .pv:not(.idle)").length === 3, WAIT)
  // The games are played at a level; analysis is at full strength.
  const sent = await sentSince(before)
  if (!sent.includes("setoption name UCI_LimitStrength value false")) throw new Error(`analysis at a level: ${sent.join(" | ")}`)
  await pause(1500)
  await page.screenshot({path: path.join(artifacts, "zeltro-web.png")})
  await page.emulateMediaFeatures([{name: "prefers-color-scheme", value: "dark"}])
  await page.screenshot({path: path.join(artifacts, "zeltro-web-dark.png")})
  await page.emulateMediaFeatures([])
  // A phone's viewport reloads the page: the game stays, the analysis is turned on again.
  await page.setViewport({width: 390, height: 844, deviceScaleFactor: 2, isMobile: true})
  await waitStatus("Your move")
  await page.select("#lines", "3")
  await page.click("#analyse")
  await page.waitForFunction(() => document.querySelectorAll("#pv-lines .pv:not(.idle)").length === 3, WAIT)
  await pause(1000)
  await page.screenshot({path: path.join(artifacts, "zeltro-web-phone.png")})
  // The first screen of a phone holds the board, the controls and the analysis.
  const below = await page.$$eval("#board, .controls, #pv-lines", (es) => es.map((e) => e.getBoundingClientRect().bottom))
  if (Math.max(...below) > 844) throw new Error(`on a phone the page needs scrolling for its analysis: ${below}`)
  await page.click("#analyse")
}

// The shipped server sends the isolation headers itself.
async function serverHeaders() {
  const probe = http.createServer().listen(0, "127.0.0.1")
  await new Promise((resolve) => probe.once("listening", resolve))
  const port = probe.address().port
  probe.close()
  const serve = spawn("python3", [path.join(import.meta.dirname, "serve.py"), root, String(port), "127.0.0.1"],
    {stdio: ["ignore", "pipe", "ignore"]})
  try {
    await new Promise((resolve) => serve.stdout.once("data", resolve))
    const response = await fetch(`http://127.0.0.1:${port}/zeltro-worker.js`)
    const coop = response.headers.get("cross-origin-opener-policy")
    const coep = response.headers.get("cross-origin-embedder-policy")
    if (coop !== "same-origin" || !["require-corp", "credentialless"].includes(coep)) {
      throw new Error(`make serve sends COOP ${coop}, COEP ${coep}`)
    }
  } finally {
    serve.kill()
  }
}

async function run() {
  await serverHeaders()
  // Where isolation cannot be had: a document of the site that registers no service worker.
  const plain = await browser.createBrowserContext()
  page = await openPage(plain)
  await page.goto(`${site}licenses/chess.js.txt`)
  if (await page.evaluate(() => window.crossOriginIsolated)) throw new Error("isolated without any headers")
  await stopDuringInfinite(false)
  // Posting strings to the worker directly: the engine runs each line to its end.
  const direct = await page.evaluate(() => new Promise((done) => {
    const worker = new Worker("/zeltro-worker.js")
    const heard = []
    worker.onmessage = (e) => {
      heard.push(e.data)
      if (heard.includes("readyok") && heard.some((l) => l.startsWith("bestmove"))) done(heard)
    }
    worker.postMessage("position startpos\ngo depth 5 infinite\nisready")
  }))
  if (!direct.findLast((l) => l.startsWith("info depth")).startsWith("info depth 5 ")) throw new Error("a posted go depth 5 did not reach depth 5")
  await plain.close()

  page = await openPage(browser.defaultBrowserContext())
  await page.goto(site)
  // The service worker's headers isolate the page after its first load.
  await page.waitForFunction(() => window.crossOriginIsolated, WAIT)
  // The page's engine first, so that the lines the page sends are those of the first queue.
  await waitStatus("Your move")
  await stopDuringInfinite(true)
  await playGame()
  await analyse()
  await levelAndClock()
  await keepAndShare()
  await offline()
  await screenshots()
}

await run().catch((e) => fail(`${e.message} (${e.stack.split("\n").find((l) => l.includes("play.test.mjs"))?.trim()})`))
if (errors.length) await fail(`console errors:\n${errors.join("\n")}`)
console.log(`web test passed: ${await status()}; screenshots in ${artifacts}`)
await browser.close()
server.close()
fs.rmSync(profile, {recursive: true, force: true})
