// SPDX-License-Identifier: GPL-3.0-or-later
// The page's service worker, for two things a plain static host cannot give:
// - isolation: every response it hands the page carries the cross-origin isolation headers, so
//   the page may share memory with the engine's worker (and "stop" reaches a running search);
// - offline use: the whole site is kept at the first visit, and the network is asked first, so
//   a new build is picked up at once while one without a network still plays.
"use strict"

const CACHE = "zeltro-site"
const SITE = ["./", "index.html", "app.js", "style.css", "zeltro-engine.js", "zeltro-worker.js", "zeltro.js",
  "zeltro.wasm", "manifest.webmanifest", "icon.svg", "assets/pieces/standard.svg",
  "assets/extensions/markers/markers.svg", "licenses/cm-chessboard.txt", "licenses/chess.js.txt"]
const ISOLATION = {
  "Cross-Origin-Opener-Policy": "same-origin",
  "Cross-Origin-Embedder-Policy": "require-corp",
  "Cross-Origin-Resource-Policy": "same-origin",
}

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(SITE)).then(() => self.skipWaiting()))
})

self.addEventListener("activate", (event) => event.waitUntil(self.clients.claim()))

function isolated(response) {
  if (response.status === 0) return response // an opaque answer cannot be changed
  const headers = new Headers(response.headers)
  for (const [name, value] of Object.entries(ISOLATION)) headers.set(name, value)
  return new Response(response.body, {status: response.status, statusText: response.statusText, headers})
}

async function answer(request) {
  const cache = await caches.open(CACHE)
  try {
    const response = await fetch(request)
    if (response.ok) await cache.put(request, response.clone())
    return isolated(response)
  } catch (failure) {
    const kept = await cache.match(request, {ignoreSearch: true})
    if (kept) return isolated(kept)
    throw failure
  }
}

self.addEventListener("fetch", (event) => {
  const request = event.request
  if (request.method !== "GET" || new URL(request.url).origin !== self.location.origin) return
  event.respondWith(answer(request))
})
