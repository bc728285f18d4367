// A small editor on window.wapp: open a file the user picks, save it back
// through its handle, save it under another name, a title that follows the
// file, and help in the user's browser.
"use strict";

const help = "https://www.markdownguide.org/basic-syntax/";
const types = [{ description: "Notes", extensions: ["md", "txt"] }];
const text = document.getElementById("text");
const status = document.getElementById("status");
const appName = window.wapp ? wapp.app.name : "Notes";

let file = null;  // { name, handle } of the file being edited
let modified = false;

function showTitle() {
  const title = (modified ? "*" : "") + (file ? file.name : "Untitled") + " \u2014 " + appName;
  document.title = title;
  if (window.wapp) wapp.window.setTitle(title);
}

function saved(picked) {
  file = { name: picked.name, handle: picked.handle };
  modified = false;
  showTitle();
}

async function open() {
  const [picked] = await wapp.openFile({ types });
  if (!picked) return;  // cancelled
  text.value = await picked.text();
  saved(picked);
  text.focus();
}

async function saveAs() {
  const picked = await wapp.saveFile({ suggestedName: file ? file.name : "notes.md", types, data: text.value });
  if (picked) saved(picked);
}

async function save() {
  if (!file) return saveAs();
  await wapp.writeFile(file.handle, text.value);
  saved(file);
}

// Every failure is shown, never thrown away.
function run(action) {
  return () => {
    status.textContent = "";
    if (!window.wapp) {
      status.textContent = "window.wapp is there only when this page runs as a packed app.";
      return;
    }
    action().catch((error) => { status.textContent = error.message; });
  };
}

const actions = { open: run(open), save: run(save), saveAs: run(saveAs), help: run(() => wapp.openExternal(help)) };
document.getElementById("open").onclick = actions.open;
document.getElementById("save").onclick = actions.save;
document.getElementById("save-as").onclick = actions.saveAs;
document.getElementById("help").onclick = actions.help;

document.addEventListener("keydown", (event) => {
  const key = event.key.toLowerCase();
  const action = event.key === "F1" ? actions.help
    : !event.ctrlKey ? null
    : key === "o" ? actions.open
    : key === "s" ? (event.shiftKey ? actions.saveAs : actions.save)
    : null;
  if (!action) return;
  event.preventDefault();
  action();
});

text.addEventListener("input", () => {
  if (modified) return;
  modified = true;
  showTitle();
});

showTitle();
