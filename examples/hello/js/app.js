// Shows where the page runs and how large the window is, kept up to date on
// resize. A plain classic script, which runs however the page is opened:
// from the app's host (https://app.wapp/ on Windows, wapp://app.wapp/ on
// Linux), or from file:// when packed with --file-url.
(function () {
  function show(id, text) {
    document.getElementById(id).textContent = text;
  }

  function showSize() {
    show("size", window.innerWidth + " \u00d7 " + window.innerHeight);
  }

  show("address", window.location.href);
  show("started", new Date().toLocaleString());
  showSize();
  window.addEventListener("resize", showSize);
})();
