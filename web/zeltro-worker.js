// SPDX-License-Identifier: GPL-3.0-or-later
// Zeltro 1800 as a Web Worker that speaks UCI. Every line the engine prints comes back as one
// message (a string), exactly as on standard output. Input comes one of two ways:
//
// - A shared input queue (what zeltro-engine.js gives when the page is cross-origin isolated):
//   the first message is {input: SharedArrayBuffer}. The engine then runs its own command loop;
//   standard input reads the queue, waiting on it with Atomics.wait, and the search looks at it
//   between nodes, so "stop", "ponderhit", "isready" and "quit" act during a search as on a
//   terminal. The queue: two Int32 counters, bytes written and bytes read, then a ring of bytes
//   (a power of two long) holding UCI lines, each ended by "\n".
//
// - Plain messages, one UCI line per message (a string). The engine runs each line to its end
//   before it can take the next, so a search cannot be interrupted: bound every "go". Standard
//   input is then the list of lines not yet handed over; it is empty during a search, and an
//   empty list reads as "stop", so a "go infinite" ends with its bestmove when its own search does.
"use strict";

// The engine's own script shares this global scope: only Module is left in it.
{
  const WRITTEN = 0;
  const READ = 1;
  const HEADER_BYTES = 8;

  const waiting = [];
  let runtimeReady = false;
  let started = false;
  let busy = false;
  let stdinLine = null;
  let queue = null;

  function engineCall(call) {
    try {
      call();
    } catch (e) {
      if (!e || e.name !== "ExitStatus") throw e;
      // "quit" leaves the engine through exit(): the worker ends with it, and what follows is dropped.
      waiting.length = 0;
      close();
    }
  }

  // ---- The shared queue ----

  function openQueue(buffer) {
    const counters = new Int32Array(buffer, 0, 2);
    const ring = new Uint8Array(buffer, HEADER_BYTES);
    const mask = ring.length - 1;
    const unread = () => (Atomics.load(counters, WRITTEN) - Atomics.load(counters, READ)) | 0;
    // Standard input reads one byte at a time, and waits for it without using the processor.
    function readByte() {
      for (;;) {
        const written = Atomics.load(counters, WRITTEN);
        const read = Atomics.load(counters, READ);
        if (written !== read) {
          const byte = ring[read & mask];
          Atomics.store(counters, READ, (read + 1) | 0);
          return byte;
        }
        Atomics.wait(counters, WRITTEN, written);
      }
    }
    return {unread, readByte};
  }

  // ---- Plain messages ----

  function feedStdin() {
    if (queue) return queue.readByte();
    if (stdinLine === null) stdinLine = (waiting.length ? waiting.shift() : "stop") + "\n";
    if (stdinLine === "") {
      stdinLine = null;
      return null; // ends this read; the engine's reader asks again for the next line
    }
    const code = stdinLine.charCodeAt(0);
    stdinLine = stdinLine.slice(1);
    return code;
  }

  function drain() {
    if (busy) return;
    busy = true;
    try {
      while (waiting.length) {
        const line = waiting.shift();
        engineCall(() => Module.ccall("zeltro_line", null, ["string"], [line]));
      }
    } finally {
      busy = false;
    }
  }

  // The engine starts once the runtime is ready and the first message has said which way it is fed.
  function start() {
    if (!runtimeReady || started || (!queue && !waiting.length)) return;
    started = true;
    if (queue) {
      Module.inputWaiting = queue.unread;
      engineCall(() => Module.ccall("zeltro_run", null, [], []));
    } else {
      engineCall(() => Module.ccall("zeltro_start", null, [], []));
      drain();
    }
  }

  self.Module = {
    print: (line) => postMessage(line),
    stdin: feedStdin,
    onRuntimeInitialized: () => {
      runtimeReady = true;
      start();
    },
  };

  self.onmessage = (event) => {
    const input = event.data && event.data.input;
    if (!started && !waiting.length && typeof SharedArrayBuffer === "function" && input instanceof SharedArrayBuffer) {
      queue = openQueue(input);
    } else {
      for (const line of String(event.data).split(/\r?\n/)) waiting.push(line);
      if (started) drain();
    }
    start();
  };
}

importScripts("zeltro.js");
