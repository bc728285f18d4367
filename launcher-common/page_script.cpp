#include "launcher-common/page_script.h"

#include "payload/json_text.h"

namespace {

// WAPP_SETTINGS is put in place of the marker: a JSON object, which is a
// script expression too.
constexpr char script_text[] = R"js((function () {
  "use strict";
  var settings = WAPP_SETTINGS;
  if (window.top !== window || "wapp" in window) return;
  var here = String(location.href);
  try { here = decodeURI(here); } catch (e) {}
  // Scheme and host are the same in any case (wapp://APP.WAPP/ is the
  // app's host); a path only where the system's names are (Windows).
  function folded(address) {
    if (settings.foldCase) return address.toLowerCase();
    var path = address.indexOf("/", address.indexOf("//") + 2);
    return path < 0 ? address.toLowerCase() : address.slice(0, path).toLowerCase() + address.slice(path);
  }
  here = folded(here);
  var own = settings.prefixes.some(function (prefix) { return here.indexOf(folded(prefix)) === 0; });
  if (!own) return;

  var pending = {}, next = 1, send;
  function settle(reply) {
    if (!reply || typeof reply !== "object" || reply.wapp !== true) return;
    var waiting = pending[reply.id];
    if (!waiting) return;
    delete pending[reply.id];
    if (typeof reply.error === "string") waiting.reject(new Error(reply.error));
    else waiting.resolve(reply.result);
  }
  if (settings.channel === "webview2") {
    var webview = window.chrome && window.chrome.webview;
    if (!webview) return;
    webview.addEventListener("message", function (event) { settle(event.data); });
    send = function (request) { webview.postMessage(request); };
  } else {
    var handlers = window.webkit && window.webkit.messageHandlers;
    var handler = handlers && handlers.wapp;
    if (!handler) return;
    send = function (request) {
      handler.postMessage(JSON.stringify(request)).then(function (text) {
        settle(JSON.parse(text));
      }, function (failure) {
        settle({ wapp: true, id: request.id, error: String((failure && failure.message) || failure) });
      });
    };
  }

  // Each window the page opens is announced first: the launcher lets a
  // window without a click go out only when the app's own page asked.
  var nativeOpen = window.open;
  window.open = function (url) {
    if (url !== undefined && String(url) !== "") {
      try { call("window.willOpen", { url: new URL(String(url), location.href).href }).catch(function () {}); } catch (e) {}
    }
    return nativeOpen.apply(window, arguments);
  };

  // A call that no reply settles fails after a minute rather than never;
  // the dialogs wait for the user, however long the user takes, and an
  // update's download for the network, which the launcher bounds itself.
  var bound = 60 * 1000, waitsForUser = { openFile: true, saveFile: true, "update.check": true, "update.install": true,
                                        "tray.next": true };
  function call(method, args) {
    return new Promise(function (resolve, reject) {
      var id = next++;
      pending[id] = { resolve: resolve, reject: reject };
      try {
        send({ wapp: settings.key, id: id, method: method, args: args || {} });
      } catch (failure) {
        delete pending[id];
        reject(failure);
        return;
      }
      if (waitsForUser[method]) return;
      setTimeout(function () {
        settle({ wapp: true, id: id, error: "no answer to " + method + " within a minute" });
      }, bound);
    });
  }

  var limit = 64 * 1024 * 1024;
  function bytesOf(data) {
    if (typeof data === "string") return Promise.resolve(new TextEncoder().encode(data));
    if (data instanceof ArrayBuffer) return Promise.resolve(new Uint8Array(data));
    if (ArrayBuffer.isView(data)) return Promise.resolve(new Uint8Array(data.buffer, data.byteOffset, data.byteLength));
    if (typeof Blob !== "undefined" && data instanceof Blob)
      return data.arrayBuffer().then(function (buffer) { return new Uint8Array(buffer); });
    return Promise.reject(new TypeError("data must be a string, an ArrayBuffer, a typed array or a Blob"));
  }
  function encoded(data) {
    return bytesOf(data).then(function (bytes) {
      if (bytes.length > limit) throw new Error("data is larger than 64 MiB, the most one call carries");
      var text = "";
      for (var i = 0; i < bytes.length; i += 0x8000)
        text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
      return btoa(text);
    });
  }
  function decoded(text) {
    var binary = atob(text), bytes = new Uint8Array(binary.length);
    for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }
  function picked(file) {
    var bytes = function () {
      return call("readFile", { handle: file.handle }).then(decoded);
    };
    return Object.freeze({
      name: file.name, size: file.size, handle: file.handle, bytes: bytes,
      text: function () { return bytes().then(function (b) { return new TextDecoder().decode(b); }); }
    });
  }
  function options(given) { return given && typeof given === "object" ? given : {}; }

  // The tray's events: one call waits for the next at any time, from the
  // first listener on; a refusal (a page that is not the app's) ends it.
  var listeners = { menu: [], click: [] }, pumping = false;
  function listen(kind, listener) {
    if (typeof listener !== "function") throw new TypeError("the listener must be a function");
    listeners[kind].push(listener);
    if (pumping) return;
    pumping = true;
    (function next() {
      call("tray.next").then(function (event) {
        (listeners[event.kind] || []).forEach(function (l) {
          try { l(event.id); } catch (e) { setTimeout(function () { throw e; }); }
        });
        next();
      }, function () { pumping = false; });
    })();
  }

  var api = {
    openFile: function (given) {
      var o = options(given);
      return call("openFile", { types: o.types || [], multiple: !!o.multiple }).then(function (files) {
        return files.map(picked);
      });
    },
    saveFile: function (given) {
      var o = options(given);
      return encoded(o.data === undefined ? "" : o.data).then(function (data) {
        return call("saveFile", { suggestedName: String(o.suggestedName || ""), types: o.types || [], data: data });
      });
    },
    writeFile: function (handle, data) {
      return encoded(data).then(function (base64) { return call("writeFile", { handle: handle, data: base64 }); });
    },
    openExternal: function (url) { return call("openExternal", { url: String(url) }); },
    window: Object.freeze({
      setTitle: function (text) { return call("window.setTitle", { text: String(text) }); },
      minimize: function () { return call("window.minimize"); },
      maximize: function () { return call("window.maximize"); },
      restore: function () { return call("window.restore"); },
      setFullscreen: function (on) { return call("window.setFullscreen", { on: !!on }); },
      close: function () { return call("window.close"); },
      setSize: function (width, height) { return call("window.setSize", { width: width, height: height }); }
    }),
    update: Object.freeze({
      check: function () { return call("update.check"); },
      install: function () { return call("update.install"); },
      restart: function () { return call("update.restart"); }
    }),
    tray: Object.freeze({
      set: function (given) {
        var o = options(given);
        return call("tray.set", { tooltip: String(o.tooltip === undefined ? "" : o.tooltip), menu: o.menu || [] });
      },
      remove: function () { return call("tray.remove"); },
      onMenu: function (listener) { listen("menu", listener); },
      onClick: function (listener) { listen("click", listener); }
    }),
    app: Object.freeze(settings.app)
  };
  Object.defineProperty(window, "wapp", { value: Object.freeze(api), enumerable: true });
})();
)js";

}  // namespace

std::string page_api_script(const page_script_settings& settings) {
  std::string prefixes = "[";
  for (const std::string& prefix : settings.own_prefixes) {
    if (prefixes.size() > 1) prefixes += ',';
    prefixes += json_quoted(prefix);
  }
  prefixes += ']';
  std::string values = "{\"channel\":" +
                       json_quoted(settings.channel == page_channel::webview2 ? "webview2" : "webkit") +
                       ",\"key\":" + json_quoted(settings.key) + ",\"prefixes\":" + prefixes +
                       ",\"foldCase\":" + (settings.fold_case ? "true" : "false") +
                       ",\"app\":{\"name\":" + json_quoted(settings.app_name) +
                       ",\"version\":" + json_quoted(settings.app_version) +
                       ",\"platform\":" + json_quoted(settings.platform) + "}}";
  std::string script = script_text;
  script.replace(script.find("WAPP_SETTINGS"), 13, values);
  return script;
}
