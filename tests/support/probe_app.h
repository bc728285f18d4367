#pragma once
// A web app that checks what real apps need of the page they are served as:
// fetch with its headers (the app's origin, in lower case, the one allowed
// to read it), XHR, dynamic import, classic (with importScripts),
// module, blob, data and shared workers, WebAssembly's streaming compile,
// localStorage, IndexedDB, a 404 for a missing file, a secure context, a
// range of bytes (206 and exactly those bytes), a HEAD without a body, and
// that no file: script, style sheet or image outside the app loads or tells
// whether it exists. Each check paints its cell, along the top of the page
// from the left, green or red; the rest of the page is blue while checks
// run, then green when every one passed, else red. Portable: the Linux
// launcher's tests and the Windows end-to-end tests pack the same files.
#include <string>
#include <utility>
#include <vector>

// The checks in the order of their cells.
inline const std::vector<std::string> probe_checks = {
    "fetch",         "XHR",          "dynamic import",  "classic worker", "module worker",  "blob worker",
    "data worker",   "shared worker", "WebAssembly",    "localStorage",   "IndexedDB",      "missing file",
    "secure context", "no file: script", "no file: style", "no file: image", "range", "HEAD"};
constexpr int probe_cell_size = 40;

// A module exporting answer(), which returns 42.
inline std::string probe_wasm() {
  const unsigned char bytes[] = {
      0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00,        // magic, version 1
      0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7f,              // types: () -> i32
      0x03, 0x02, 0x01, 0x00,                                // functions: one of type 0
      0x07, 0x0a, 0x01, 0x06, 'a', 'n', 's', 'w', 'e', 'r', 0x00, 0x00,  // exports: "answer", function 0
      0x0a, 0x06, 0x01, 0x04, 0x00, 0x41, 0x2a, 0x0b,        // code: i32.const 42, end
  };
  return std::string((const char*)bytes, sizeof bytes);
}

// The app's files (UTF-8 name, bytes). `outside` is a file: address of a
// folder outside the app, ending in "/", that holds probe.js (which would
// set window.outsideScript), probe.css (which would set --outside) and
// probe.svg, and no missing.js, missing.css or missing.svg.
inline std::vector<std::pair<std::string, std::string>> probe_app_files(const std::string& outside) {
  const std::string page = R"(<!doctype html><meta charset=utf-8><title>probe</title>
<style>html,body{margin:0;height:100%;background:#0000ff}#cells div{position:absolute;top:0;width:40px;height:40px}</style>
<div id=cells></div>
<script>window.outside = ")" + outside + R"(";</script>
<script type=module src=js/probe.js></script>
)";
  const std::string probe = R"js(
const within = (ms, promise) =>
  Promise.race([promise, new Promise((_, fail) => setTimeout(() => fail(new Error("timed out")), ms))]);
const fromWorker = (worker) => new Promise((answer, fail) => {
  worker.onmessage = (event) => answer(event.data);
  worker.onerror = fail;
});
// "load", "error", or "none" when neither came in time.
const loadOf = (element) => new Promise((answer) => {
  element.onload = () => answer("load");
  element.onerror = () => answer("error");
  setTimeout(() => answer("none"), 3000);
  if (!(element instanceof Image)) document.body.append(element);
});
// The same event for a file outside that exists and one that does not.
const sameForBoth = async (make) => {
  const events = [];
  for (const name of ["probe", "missing"]) events.push(await loadOf(make(name)));
  return events[0] === events[1];
};
const checks = {
  "fetch": async () => {
    const response = await fetch("data/probe.json");
    const length = (await response.clone().arrayBuffer()).byteLength;
    return (await response.json()).value === "fetched" &&
      response.headers.get("content-type") === "application/json" &&
      response.headers.get("content-length") === String(length) &&
      response.headers.get("access-control-allow-origin") === location.origin;
  },
  "XHR": () => new Promise((answer) => {
    const request = new XMLHttpRequest();
    request.open("GET", "data/slide.md");
    request.onload = () => answer(request.status === 200 && request.responseText === "# A slide\n");
    request.onerror = () => answer(false);
    request.send();
  }),
  "dynamic import": async () => (await import("./lazy.js")).answer === 42,
  "classic worker": async () => (await fromWorker(new Worker("js/classic-worker.js"))) === 42,
  "module worker": async () => (await fromWorker(new Worker("js/module-worker.js", {type: "module"}))) === 42,
  "blob worker": async () => (await fromWorker(new Worker(URL.createObjectURL(
    new Blob(["postMessage(6 * 7)"], {type: "text/javascript"}))))) === 42,
  "data worker": async () => (await fromWorker(new Worker("data:text/javascript,postMessage(6*7)"))) === 42,
  "shared worker": () => new Promise((answer, fail) => {
    const worker = new SharedWorker("js/shared-worker.js");
    worker.onerror = fail;
    worker.port.onmessage = (event) => answer(event.data === 42);
    worker.port.start();
  }),
  "WebAssembly": async () =>
    (await WebAssembly.instantiateStreaming(fetch("probe.wasm"))).instance.exports.answer() === 42,
  "localStorage": () => {
    localStorage.setItem("probe", "kept");
    return localStorage.getItem("probe") === "kept";
  },
  "IndexedDB": () => new Promise((answer) => {
    const open = indexedDB.open("probe", 1);
    open.onupgradeneeded = () => open.result.createObjectStore("store");
    open.onerror = () => answer(false);
    open.onsuccess = () => {
      const store = open.result.transaction("store", "readwrite").objectStore("store");
      store.put("kept", "key");
      const read = store.get("key");
      read.onsuccess = () => answer(read.result === "kept");
      read.onerror = () => answer(false);
    };
  }),
  "missing file": async () => (await fetch("no/such.js")).status === 404,
  "range": async () => {
    const response = await fetch("data/probe.json", {headers: {Range: "bytes=10-19"}});
    return response.status === 206 && response.headers.get("Content-Range") === "bytes 10-19/21" &&
      (await response.text()) === '"fetched"}';
  },
  "HEAD": async () => {
    const response = await fetch("data/probe.json", {method: "HEAD"});
    return response.ok && (await response.arrayBuffer()).byteLength === 0;
  },
  "secure context": () => window.isSecureContext === true,
  "no file: script": async () => (await sameForBoth((name) => Object.assign(document.createElement("script"),
    {src: outside + name + ".js"}))) && window.outsideScript === undefined,
  "no file: style": async () => (await sameForBoth((name) => Object.assign(document.createElement("link"),
    {rel: "stylesheet", href: outside + name + ".css"}))) &&
    getComputedStyle(document.documentElement).getPropertyValue("--outside").trim() === "",
  "no file: image": () => sameForBoth((name) => Object.assign(new Image(), {src: outside + name + ".svg"})),
};
const names = )js" + [] {
    std::string list = "[";
    for (const auto& name : probe_checks) list += "\"" + name + "\",";
    return list + "]";
  }() + R"js(;
const cells = document.getElementById("cells");
const results = await Promise.all(names.map(async (name, i) => {
  const cell = document.createElement("div");
  cell.style.left = (40 * i) + "px";
  cell.style.background = "#0000ff";
  cells.append(cell);
  let passed = false;
  try {
    passed = (await within(10000, Promise.resolve().then(checks[name]))) === true;
  } catch (error) {
    console.log(name + ": " + error);
  }
  cell.style.background = passed ? "#00ff00" : "#ff0000";
  return passed;
}));
document.body.style.background = results.every(Boolean) ? "#00ff00" : "#ff0000";
)js";
  return {
      {"index.html", page},
      {"js/probe.js", probe},
      {"js/lazy.js", "export const answer = 42;\n"},
      {"js/helper.js", "self.helper = () => 42;\n"},
      {"js/classic-worker.js", "importScripts(\"helper.js\");\npostMessage(helper());\n"},
      {"js/module-worker.js", "import { answer } from \"./lazy.js\";\npostMessage(answer);\n"},
      {"js/shared-worker.js", "onconnect = (event) => event.ports[0].postMessage(42);\n"},
      {"data/probe.json", "{\"value\": \"fetched\"}\n"},
      {"data/slide.md", "# A slide\n"},
      {"probe.wasm", probe_wasm()},
  };
}

// The files outside the app that probe_app_files' page must not reach.
inline std::vector<std::pair<std::string, std::string>> probe_outside_files() {
  return {{"probe.js", "window.outsideScript = true;\n"},
          {"probe.css", ":root { --outside: yes; }\n"},
          {"probe.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'><rect width='4' height='4'/></svg>"}};
}
