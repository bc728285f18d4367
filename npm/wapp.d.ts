// window.wapp: the native API a packed app's own pages have (wapp-pack).
// It is there only in the app's own top-level pages, never in frames, on
// pages elsewhere or in a browser, so it is typed as possibly absent: test
// for it (window.wapp?.saveFile(...), or if (window.wapp) { ... }). Every
// call returns a promise; a failure rejects with an Error whose message says
// what was wrong. Files are reached only through the system's dialogs, which
// the user answers; a handle names such a file for the rest of the run. One
// call carries at most 64 MiB of file data.
//
// In a TypeScript project, once wapp-pack is installed (npm install -D
// wapp-pack), one line in any file of the project's sources makes
// window.wapp known, whatever its tsconfig lists:
//   /// <reference types="wapp-pack" />
// The names below are types only: wapp.saveFile without window. does not
// compile, as it would not run.

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

  /** window.wapp */
  interface Api {
    /** The files the user picked in the system's open dialog; [] when cancelled. */
    openFile(options?: { types?: FileType[]; multiple?: boolean }): Promise<PickedFile[]>;
    /** Asks where with the system's save dialog and writes data there; null when cancelled. */
    saveFile(options: { suggestedName?: string; types?: FileType[]; data: Data }): Promise<SavedFile | null>;
    /** Writes again to a file the user picked in this run. The file is replaced whole, never half-written. */
    writeFile(handle: number, data: Data): Promise<null>;
    /** Opens an http:, https: or mailto: address in the user's browser (or mail program). */
    openExternal(url: string): Promise<null>;
    readonly window: WindowApi;
    readonly update: UpdateApi;
    readonly tray: TrayApi;
    /** The app's name and version as packed (else the window's title and ""), and "windows" or "linux". */
    readonly app: { readonly name: string; readonly version: string; readonly platform: "windows" | "linux" };
  }

  /** window.wapp.window: the app's own window. */
  interface WindowApi {
    /** Sets the window's title (packed with --page-title, the page's own title does too). */
    setTitle(text: string): Promise<null>;
    minimize(): Promise<null>;
    maximize(): Promise<null>;
    restore(): Promise<null>;
    setFullscreen(on: boolean): Promise<null>;
    /** As the window's close button. */
    close(): Promise<null>;
    /** The inner size, in the units of the packer's --width and --height. */
    setSize(width: number, height: number): Promise<null>;
  }

  /** An item of the tray's menu, or "-" for a separator line. */
  type TrayMenuItem = { id: string; label: string; enabled?: boolean; checked?: boolean } | "-";

  /**
   * window.wapp.tray: the app's icon (the packed one) in the system's tray,
   * with a menu of the app's items followed by the launcher's own "Show"
   * and "Quit". Packed with --close-to-tray, the window's close box then
   * hides the window instead of ending the run.
   */
  interface TrayApi {
    /**
     * Shows the icon, or changes its tooltip and menu: at most 64 items,
     * labels of at most 100 bytes, tooltips of at most 127. Rejects where
     * the system has no tray (on Linux: no StatusNotifierItem service or no
     * libayatana-appindicator3).
     */
    set(options: { tooltip?: string; menu?: TrayMenuItem[] }): Promise<null>;
    /** Takes the icon away; a window hidden into the tray comes back. */
    remove(): Promise<null>;
    /** Called with the item's id when the user chooses one of the app's items. */
    onMenu(listener: (id: string) => void): void;
    /** Called when the user clicks the icon itself (Windows; the window comes back too). */
    onClick(listener: () => void): void;
  }

  /** A newer version, as its publisher described it (wapp-pack publish). */
  interface UpdateOffer {
    readonly version: string;
    readonly notes: string;
    /** When it was published, as 2026-12-09T12:00:00Z. */
    readonly date: string;
  }

  /**
   * window.wapp.update: the program replacing itself with a newer version
   * published at its update address (packed with --update-url and
   * --update-key). One call at a time; nothing happens unless the page asks.
   */
  interface UpdateApi {
    /**
     * The newer version, or null when this is the newest. Rejects with the
     * reason when the manifest cannot be fetched, is not signed by the
     * packed key, is another app's, or has no program for this system.
     */
    check(): Promise<UpdateOffer | null>;
    /**
     * Downloads the newer version's program beside this one, checks its
     * size, SHA-256 and its own app id and version, and puts it in place
     * of this program. On any failure nothing is changed.
     */
    install(): Promise<null>;
    /** After install(): closes the window as its close button does and starts the new version. */
    restart(): Promise<null>;
  }
}

interface Window {
  /** Absent outside a packed app's own pages. */
  readonly wapp?: wapp.Api;
}
