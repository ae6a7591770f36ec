// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the engine searches in the page's worker against the native build: each round runs
// `bench` natively and then in headless chromium's worker (served cross-origin isolated, as
// web/serve.py does), and prints both speeds and their ratio; the last line gives the medians.
// Both sides are timed by the clock on the wall, so run it on an idle machine; the ratio of one
// round compares two runs made side by side, and their median is the figure to go by.
// usage: node speed.mjs BUILD_DIR NATIVE_ENGINE [ROUNDS]
import {execFileSync} from "node:child_process"
import fs from "node:fs"
import http from "node:http"
import os from "node:os"
import path from "node:path"
import puppeteer from "puppeteer-core"

const [root, native, rounds = "3"] = process.argv.slice(2)
const TYPES = {".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".svg": "image/svg+xml",
  ".wasm": "application/wasm"}
const ISOLATED = {"Cross-Origin-Opener-Policy": "same-origin", "Cross-Origin-Embedder-Policy": "require-corp"}
// bench ends with "# t_time=MS msec, t_nodes=N, ...": the search time and the nodes.
const TOTALS = /^# t_time=(\d+) msec, t_nodes=(\d+)/

const server = http.createServer((req, res) => {
  const file = path.join(root, decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/\/$/, "/index.html"))
  fs.readFile(file, (err, data) => {
    res.writeHead(err ? 404 : 200, {"Content-Type": TYPES[path.extname(file)] || "application/octet-stream", ...ISOLATED})
    res.end(err ? "" : data)
  })
}).listen(0, "127.0.0.1")
await new Promise((resolve) => server.once("listening", resolve))
const browser = await puppeteer.launch({executablePath: "/usr/bin/chromium", headless: true,
  userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "zeltro-speed-")), args: ["--no-sandbox", "--disable-gpu"]})
const page = await browser.newPage()
await page.goto(`http://127.0.0.1:${server.address().port}/`)
let heard = null
await page.exposeFunction("hear", (line) => heard && heard(line))
await page.evaluate(async () => {
  const {startEngine} = await import("./zeltro-engine.js")
  window.engine = startEngine()
  window.engine.onLine = (line) => window.hear(line)
})

function worker() {
  return new Promise((resolve) => {
    heard = (line) => { const m = TOTALS.exec(line); if (m) resolve(m) }
    page.evaluate(() => window.engine.send("bench"))
  })
}

const nps = (m) => Number(m[2]) * 1000 / Number(m[1])
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)]
const seen = {native: [], worker: [], ratio: []}
for (let i = 0; i < Number(rounds); i++) {
  const own = TOTALS.exec(execFileSync(native, ["bench"], {encoding: "utf8"}).split("\n").find((l) => TOTALS.test(l)))
  const web = await worker()
  if (own[2] !== web[2]) throw new Error(`node counts differ: native ${own[2]}, worker ${web[2]}`)
  const ratio = nps(web) / nps(own)
  seen.native.push(nps(own))
  seen.worker.push(nps(web))
  seen.ratio.push(ratio)
  console.log(`round ${i + 1}: native ${Math.round(nps(own))} nps, worker ${Math.round(nps(web))} nps, ` +
    `worker/native ${ratio.toFixed(2)}`)
}
const [a, b] = [median(seen.native), median(seen.worker)]
console.log(`median: native ${Math.round(a)} nps, worker ${Math.round(b)} nps, ` +
  `worker/native ${median(seen.ratio).toFixed(2)}`)
await browser.close()
server.close()
