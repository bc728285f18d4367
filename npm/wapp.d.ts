// window.wapp: the native API a packed app's own pages have (wapp-pack).
// It is there only in the app's own top-level pages, never in frames or on
// pages elsewhere. Every call returns a promise; a failure rejects with an
// Error whose message says what was wrong. Files are reached only through
// the system's dialogs, which the user answers; a handle names such a file
// for the rest of the run. One call carries at most 64 MiB of file data.
//
// In a TypeScript project: /// <reference path="wapp.d.ts" />, or list the
// file in tsconfig.json's "files". Test for the API before using it:
// if (window.wapp) { ... }

declare namespace wapp {
  /** What a dialog offers to pick: { description: "Notes", extensions: ["md", "txt"] }. */
  interface FileType {
    description: string;
    /** Letters and digits, with or without the dot. */
    extensions: string[];
  }

  /** Anything a file can be written from; a string is written as UTF-8. */
  type Data = string | ArrayBuffer | ArrayBufferView | Blob;

  interface PickedFile {
    readonly name: string;
    readonly size: number;
    /** Names the file for writeFile, in this run only. */
    readonly handle: number;
    bytes(): Promise<Uint8Array>;
    /** The bytes read as UTF-8. */
    text(): Promise<string>;
  }

  interface SavedFile {
    readonly name: string;
    readonly handle: number;
  }

  /** The files the user picked in the system's open dialog; [] when cancelled. */
  function openFile(options?: { types?: FileType[]; multiple?: boolean }): Promise<PickedFile[]>;
  /** Asks where with the system's save dialog and writes data there; null when cancelled. */
  function saveFile(options: { suggestedName?: string; types?: FileType[]; data: Data }): Promise<SavedFile | null>;
  /** Writes again to a file the user picked in this run. The file is replaced whole, never half-written. */
  function writeFile(handle: number, data: Data): Promise<null>;
  /** Opens an http:, https: or mailto: address in the user's browser (or mail program). */
  function openExternal(url: string): Promise<null>;

  namespace window {
    function setTitle(text: string): Promise<null>;
    function minimize(): Promise<null>;
    function maximize(): Promise<null>;
    function restore(): Promise<null>;
    function setFullscreen(on: boolean): Promise<null>;
    /** As the window's close button. */
    function close(): Promise<null>;
    /** The inner size, in the units of the packer's --width and --height. */
    function setSize(width: number, height: number): Promise<null>;
  }

  /** The app's name and version as packed (else the window's title and ""), and "windows" or "linux". */
  const app: { readonly name: string; readonly version: string; readonly platform: "windows" | "linux" };
}

interface Window {
  readonly wapp?: typeof wapp;
}
