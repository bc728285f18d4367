// Shows where the page runs and how large the window is, kept up to date on
// resize. Plain classic script: the page is opened from a file:// address.
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
