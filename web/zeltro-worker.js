// SPDX-License-Identifier: GPL-3.0-or-later
// Zeltro 1800 as a Web Worker that speaks UCI by messages. Post one UCI line per message (a
// string); every line the engine prints comes back as one message (a string), exactly as on
// standard output. Lines posted while the engine is still loading or busy wait their turn.
//
// The engine runs each line to its end before the worker can take another message, so a
// search cannot be interrupted: bound every "go" (movetime, depth or a clock). Standard input
// is this queue of lines not yet handed over; it is empty during a search, and an empty queue
// reads as "stop", so a "go infinite" or "go ponder" ends with its bestmove when its own search
// does instead of waiting forever.
"use strict";

// The engine's own script shares this global scope: only Module is left in it.
{
  const waiting = [];
  let ready = false;
  let busy = false;
  let stdinLine = null;

  function feedStdin() {
    if (stdinLine === null) stdinLine = (waiting.length ? waiting.shift() : "stop") + "\n";
    if (stdinLine === "") {
      stdinLine = null;
      return null; // ends this read; the engine's reader asks again for the next line
    }
    const code = stdinLine.charCodeAt(0);
    stdinLine = stdinLine.slice(1);
    return code;
  }

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

  function drain() {
    if (!ready || busy) return;
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

  self.Module = {
    print: (line) => postMessage(line),
    stdin: feedStdin,
    onRuntimeInitialized: () => {
      engineCall(() => Module.ccall("zeltro_start", null, [], []));
      ready = true;
      drain();
    },
  };

  self.onmessage = (event) => {
    for (const line of String(event.data).split(/\r?\n/)) waiting.push(line);
    drain();
  };
}

importScripts("zeltro.js");
