// SPDX-License-Identifier: GPL-3.0-or-later
// Plays on the board page in headless chromium as a user would: clicks and a drag on the board.
// Every reply of the engine must be a legal move, its line must show while it thinks, a mate
// must be announced, and nothing may reach the console as an error.
// usage: node play.test.mjs BUILD_DIR ARTIFACT_DIR
import fs from "node:fs"
import http from "node:http"
import os from "node:os"
import path from "node:path"
import puppeteer from "puppeteer-core"
import {Chess} from "chess.js"

const [root, artifacts] = process.argv.slice(2)
fs.mkdirSync(artifacts, {recursive: true})
const TYPES = {".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".svg": "image/svg+xml",
  ".wasm": "application/wasm", ".txt": "text/plain"}
setTimeout(() => fail("no result within four minutes"), 240_000).unref()

let page = null
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

const server = http.createServer((req, res) => {
  const file = path.join(root, decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/\/$/, "/index.html"))
  fs.readFile(file, (err, data) => {
    res.writeHead(err ? 404 : 200, {"Content-Type": TYPES[path.extname(file)] || "application/octet-stream"})
    res.end(err ? "" : data)
  })
}).listen(0, "127.0.0.1")
await new Promise((resolve) => server.once("listening", resolve))

const profile = fs.mkdtempSync(path.join(os.tmpdir(), "zeltro-chromium-"))
const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium",
  headless: true,
  userDataDir: profile,
  args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync"],
})
page = await browser.newPage()
page.on("console", (m) => m.type() === "error" && errors.push(m.text()))
page.on("pageerror", (e) => errors.push(e.message))
page.on("requestfailed", (r) => errors.push(`request failed: ${r.url()}`))
page.on("response", (r) => r.status() >= 400 && errors.push(`${r.status()}: ${r.url()}`))
page.on("workercreated", (w) => w.on("console", (m) => m.type() === "error" && errors.push(m.text())))
// Every line the engine sends to the page is kept, as the page receives it.
await page.evaluateOnNewDocument(() => {
  window.engineLines = []
  window.engines = []
  const PageWorker = window.Worker
  window.Worker = class extends PageWorker {
    constructor(...args) {
      super(...args)
      window.engines.push(this)
      this.addEventListener("message", (e) => window.engineLines.push(e.data))
    }
  }
})
await page.setViewport({width: 1280, height: 820})
await page.goto(`http://127.0.0.1:${server.address().port}/`)

const status = () => page.$eval("#status", (e) => e.textContent)
const waitStatus = (text) => page.waitForFunction((t) => document.querySelector("#status").textContent.includes(t),
  {timeout: 60_000}, text)
const bestmoves = () => page.evaluate(() => window.engineLines.filter((l) => l.startsWith("bestmove")))
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

async function play() {
  await waitStatus("Your move")
  await page.select("#movetime", "500")
  const game = new Chess()
  const lines = new Set()
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
    await page.waitForFunction((n) => window.engineLines.filter((l) => l.startsWith("bestmove")).length > n,
      {timeout: 60_000}, before)
    await waitStatus("Your move")
    const reply = (await bestmoves()).at(-1).split(" ")[1]
    try {
      game.move({from: reply.slice(0, 2), to: reply.slice(2, 4), promotion: reply[4]})
    } catch {
      throw new Error(`the engine answered ${move.san} with an illegal move ${reply}`)
    }
    const shown = await page.$eval("#board", (e) => e.dataset.fen)
    if (shown !== game.fen()) throw new Error(`after ${reply} the page shows ${shown}, not ${game.fen()}`)
    const line = await page.$$eval("#depth, #score, #pv", (es) => es.map((e) => e.textContent).join(" "))
    if (!/^depth \d+ [+−-]\S+ \d+\S* \S/.test(line)) throw new Error(`no engine line shown after ${reply}: ${line}`)
    lines.add(line)
    console.log(`web test: ${move.san} ${reply} | ${line}`)
  }
  if (lines.size < 3) throw new Error("the engine line did not change from move to move")

  // Take back returns to the user's previous move.
  await page.click("#take-back")
  game.undo()
  game.undo()
  if (await page.$eval("#board", (e) => e.dataset.fen) !== game.fen()) throw new Error("take back did not restore the position")
  await new Promise((resolve) => setTimeout(resolve, 600)) // the pieces have moved back
  await page.screenshot({path: path.join(artifacts, "zeltro-web-game.png")})

  // A fool's mate: loaded up to White's last blunder, the engine must find the mate and the page must say so.
  async function load(pgn) {
    await page.evaluate(() => (document.querySelector("details").open = true))
    await page.$eval("#load-text", (e, text) => (e.value = text), pgn)
    await page.click("#load")
  }
  await load("1. f3 e5 2. g4")
  await waitStatus("Checkmate. Zeltro 1800 wins.")
  if ((await bestmoves()).at(-1) !== "bestmove d8h4") throw new Error(`the engine missed the mate: ${(await bestmoves()).at(-1)}`)
  if (!(await page.$eval("#pgn", (e) => e.value)).includes("2. g4 Qh4# 0-1")) throw new Error("the PGN does not end with the mate")
  // And the user's own mate, dragged on the board.
  await load("1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6")
  await waitStatus("Your move")
  await drag("h5", "f7")
  await waitStatus("Checkmate. You win.")
  await new Promise((done) => setTimeout(done, 500))  // the dropped piece's animation ends first
  await page.screenshot({path: path.join(artifacts, "zeltro-web.png")})
  await page.setViewport({width: 390, height: 844, deviceScaleFactor: 2})
  await page.screenshot({path: path.join(artifacts, "zeltro-web-phone.png"), fullPage: true})

  // Nobody can send stop to a busy worker: a search that would wait for it ends by itself, and
  // no input seems to be waiting while it runs, so it is not cut short either.
  const start = await page.evaluate(() => window.engineLines.length)
  await page.evaluate(() => window.engines[0].postMessage("position startpos\ngo depth 5 infinite\nisready"))
  await page.waitForFunction(
    (n) => {
      const said = window.engineLines.slice(n)
      return said.includes("readyok") && said.some((l) => l.startsWith("bestmove"))
    },
    {timeout: 60_000},
    start,
  )
  const said = await page.evaluate((n) => window.engineLines.slice(n), start)
  const deepest = said.findLast((l) => l.startsWith("info depth"))
  if (!deepest.startsWith("info depth 5 ")) throw new Error(`the search to depth 5 ended with: ${deepest}`)
}

await play().catch((e) => fail(`${e.message} (${e.stack.split("\n").find((l) => l.includes("play.test.mjs"))?.trim()})`))
if (errors.length) await fail(`console errors:\n${errors.join("\n")}`)
console.log(`web test passed: ${await status()}; screenshots in ${artifacts}`)
await browser.close()
server.close()
fs.rmSync(profile, {recursive: true, force: true})
