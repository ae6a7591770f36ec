// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the engine searches in the page's worker against the native build: each round runs
// `bench` natively and then in headless chromium's worker (served cross-origin isolated, as
// web/serve.py does), and prints both speeds and their ratio; the last line gives the medians.
// Both sides are timed in user time, the native engine's whole process and the worker's own
// thread: on a busy machine the clock on the wall follows the neighbours, user time much less.
// The ratio of one round compares two runs made side by side, and their median is the figure.
// usage: node speed.mjs BUILD_DIR NATIVE_ENGINE [ROUNDS]
import {spawnSync} from "node:child_process"
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

// The user time, in seconds, of every dedicated worker's thread in chromium's processes, by thread.
const TICKS_PER_SECOND = 100
function workerThreadTimes() {
  const times = new Map()
  for (const pid of fs.readdirSync("/proc").filter((d) => /^\d+$/.test(d))) {
    let tids
    try { tids = fs.readdirSync(`/proc/${pid}/task`) } catch { continue }
    for (const tid of tids) {
      let stat
      try { stat = fs.readFileSync(`/proc/${pid}/task/${tid}/stat`, "utf8") } catch { continue }
      if (!stat.includes("(DedicatedWorker")) continue
      // After the name: state, then 10 fields up to utime, the 12th.
      const fields = stat.slice(stat.lastIndexOf(")") + 2).split(" ")
      times.set(`${pid}/${tid}`, Number(fields[11]) / TICKS_PER_SECOND)
    }
  }
  return times
}

// bench in the engine's worker: its totals, and the user time of the worker that ran it (the
// page's own engine worker stands idle meanwhile).
async function worker() {
  const before = workerThreadTimes()
  const totals = await new Promise((resolve) => {
    heard = (line) => { const m = TOTALS.exec(line); if (m) resolve(m) }
    page.evaluate(() => window.engine.send("bench"))
  })
  let seconds = 0
  for (const [thread, t] of workerThreadTimes()) seconds = Math.max(seconds, t - (before.get(thread) || 0))
  if (seconds === 0) throw new Error("no worker thread of chromium's found under /proc")
  return {totals, seconds}
}

// bench in the native engine: its totals, and the process's user time (bash's times builtin).
function nativeBench() {
  const run = spawnSync("bash", ["-c", '"$0" bench; times >&2', native], {encoding: "utf8"})
  const totals = TOTALS.exec(run.stdout.split("\n").find((l) => TOTALS.test(l)))
  // times prints the shell's user and system time, then its children's: "0m4.512s 0m0.012s".
  const [, min, sec] = /^(\d+)m([\d.]+)s/.exec(run.stderr.trim().split("\n").pop())
  return {totals, seconds: Number(min) * 60 + Number(sec)}
}

const nps = (run) => Number(run.totals[2]) / run.seconds
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)]
const seen = {native: [], worker: [], ratio: []}
for (let i = 0; i < Number(rounds); i++) {
  const own = nativeBench()
  const web = await worker()
  if (own.totals[2] !== web.totals[2])
    throw new Error(`node counts differ: native ${own.totals[2]}, worker ${web.totals[2]}`)
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
