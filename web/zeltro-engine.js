// SPDX-License-Identifier: GPL-3.0-or-later
// Zeltro 1800 for other pages, as an ES module: startEngine() starts the engine in its worker
// (zeltro-worker.js, zeltro.js and zeltro.wasm beside this file) and returns
//   send(line)      one UCI line to the engine
//   onLine          set it to a function: it is called with each line the engine prints
//   interruptible   true when lines reach the engine during a search (a shared input queue)
//   terminate()     ends the engine
//
// A page that is cross-origin isolated can share memory with the worker: its lines go through a
// queue the engine reads between nodes, as on a terminal. Elsewhere the worker cannot read a line
// until its search ends; a "stop" (or "ponderhit") during a search then ends that worker, answers
// with the best move of the last line the engine showed, and starts a fresh worker with the same
// options and position, all in a fraction of a second. Only the hash table is lost.

const QUEUE_BYTES = 1 << 20
const HEADER_BYTES = 8 // two Int32 counters: bytes written, bytes read
const WRITTEN = 0

export function startEngine({workerUrl = new URL("zeltro-worker.js", import.meta.url)} = {}) {
  const shared = globalThis.crossOriginIsolated === true && typeof SharedArrayBuffer === "function"
  const engine = {onLine: null, interruptible: shared, send: null, terminate: null}
  const hear = (line) => engine.onLine && engine.onLine(line)
  const driver = shared ? queueDriver(workerUrl, hear) : restartingDriver(workerUrl, hear)
  engine.send = driver.send
  engine.terminate = driver.terminate
  return engine
}

// ---- Through the shared queue ----

function queueDriver(workerUrl, hear) {
  const buffer = new SharedArrayBuffer(HEADER_BYTES + QUEUE_BYTES)
  const counters = new Int32Array(buffer, 0, 2)
  const ring = new Uint8Array(buffer, HEADER_BYTES)
  const mask = QUEUE_BYTES - 1
  const worker = new Worker(workerUrl)
  worker.onmessage = (event) => hear(event.data)
  worker.postMessage({input: buffer})
  const encoder = new TextEncoder()
  let pending = new Uint8Array(0)
  let retry = null

  // As many bytes as the ring has room for; the rest follows when the engine has read some.
  function flush() {
    retry = null
    const written = Atomics.load(counters, WRITTEN)
    const unread = (written - Atomics.load(counters, 1)) | 0
    const count = Math.min(pending.length, QUEUE_BYTES - unread)
    for (let i = 0; i < count; i++) ring[(written + i) & mask] = pending[i]
    Atomics.store(counters, WRITTEN, (written + count) | 0)
    Atomics.notify(counters, WRITTEN)
    pending = pending.subarray(count)
    if (pending.length) retry = setTimeout(flush, 5)
  }

  function send(line) {
    const bytes = encoder.encode(`${line}\n`)
    const joined = new Uint8Array(pending.length + bytes.length)
    joined.set(pending)
    joined.set(bytes, pending.length)
    pending = joined
    if (retry === null) flush()
  }

  function terminate() {
    clearTimeout(retry)
    worker.terminate()
  }
  return {send, terminate}
}

// ---- Without shared memory: a worker per uninterrupted stretch ----

function restartingDriver(workerUrl, hearNow) {
  // The driver's own answers come after send() returns, as the engine's do.
  const hear = (line) => setTimeout(() => hearNow(line))
  let worker = null
  let searching = false
  let bestLine = [] // the last principal variation of the running search
  let stopAsked = false
  let afterStop = [] // lines sent while a stop waits for the search's first line
  let muted = false
  // What a fresh worker needs to stand where the old one stood.
  const options = new Map()
  let position = null

  function open() {
    worker = new Worker(workerUrl)
    worker.onmessage = (event) => onEngineLine(event.data)
  }

  function onEngineLine(line) {
    if (muted) {
      if (line === "readyok") muted = false
      return
    }
    if (searching && line.startsWith("info ") && line.includes(" pv ")) {
      const multipv = / multipv (\d+)/.exec(line)
      if (!multipv || multipv[1] === "1") bestLine = line.split(" pv ")[1].trim().split(" ")
      hearNow(line)
      if (stopAsked) restart()
      return
    }
    hearNow(line)
    if (line.startsWith("bestmove")) {
      searching = false
      stopAsked = false
      sendAfterStop()
    }
  }

  function sendAfterStop() {
    const waiting = afterStop
    afterStop = []
    for (const line of waiting) send(line)
  }

  // The search is dropped with its worker; its answer is the move its last line began with.
  function restart() {
    searching = false
    stopAsked = false
    worker.terminate()
    open()
    muted = true
    for (const line of options.values()) worker.postMessage(line)
    if (position) worker.postMessage(position)
    worker.postMessage("isready")
    hear(`bestmove ${bestLine[0]}${bestLine[1] ? ` ponder ${bestLine[1]}` : ""}`)
    sendAfterStop()
  }

  function send(line) {
    const word = line.trim().split(/\s+/)[0]
    if (stopAsked && word !== "quit") {
      afterStop.push(line)
      return
    }
    if (searching) {
      // During a search only these four act, as natively; the engine ignores the rest.
      if (word === "stop" || word === "ponderhit") {
        if (bestLine.length) restart()
        else stopAsked = true // answered with the first line the search shows
      } else if (word === "isready") {
        hear("readyok")
      } else if (word === "quit") {
        terminate()
      }
      return
    }
    if (word === "setoption") options.set(line.split(/ value /)[0], line)
    else if (word === "position") position = line
    else if (word === "go") {
      searching = true
      bestLine = []
    }
    worker.postMessage(line)
  }

  function terminate() {
    searching = false
    worker.terminate()
  }
  open()
  return {send, terminate}
}
