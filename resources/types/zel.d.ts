// Type declarations for window.zel, the bridge between a zel application's
// pages and the desktop. Every call returns a promise: it resolves with the
// host's result and rejects with the host's message text (a string).
// Functions marked "no reply" never settle their promise.

declare namespace Zel {
  /** A file-type list: items "Display name|*.ext" separated by ";". */
  type FileTypes = string;

  interface OpenFileOptions { fileName?: string; title?: string; fileTypes?: FileTypes }
  interface SaveFileOptions extends OpenFileOptions { overwritePrompt?: boolean }
  interface SelFolderOptions { title?: string }

  interface Dialogs {
    /** The chosen file's full path, or "" when cancelled. */
    openFile(options?: OpenFileOptions): Promise<string>;
    /** The chosen file's full path, or "" when cancelled. No extension is added. */
    saveFile(options?: SaveFileOptions): Promise<string>;
    /** The chosen folder's path ending with a separator, or "" when cancelled. */
    selFolder(options?: SelFolderOptions): Promise<string>;
  }

  interface FilePathOptions { filePath: string }
  interface Files {
    /** Paths without a leading root are relative to the executable's folder. */
    fileExists(options: FilePathOptions): Promise<boolean>;
    deleteFile(options: FilePathOptions): Promise<boolean>;
    /** UTF-8 with a byte-order mark, CR LF after every line. */
    writeTextFile(options: FilePathOptions & { contents?: string }): Promise<true>;
    /** Copies a package entry ("/data/a.json" below the application folder) to a file. Runtime only. */
    extractFile(options: { sourceFile: string; targetFile: string }): Promise<true>;
  }

  interface DirPathOptions { dirPath: string }
  interface Folders {
    dirExists(options: DirPathOptions): Promise<boolean>;
    deleteDir(options: DirPathOptions): Promise<boolean>;
    getTempDir(): Promise<string>;
    getUserDocumentsDir(): Promise<string>;
    getUserDesktopDir(): Promise<string>;
    getAppExecutableDir(): Promise<string>;
    getAppDataDir(): Promise<string>;
  }

  interface App {
    /** Closes the application. No reply. */
    close(): Promise<never>;
    inFullscreen(): Promise<boolean>;
    /** No reply. Runtime only. */
    enterFullscreen(): Promise<never>;
    /** No reply. Runtime only. */
    exitFullscreen(): Promise<never>;
    /** The executable's path followed by the command-line arguments. Runtime only. */
    getArgs(): Promise<string[]>;
    navigate(options: { url: string }): Promise<true>;
  }

  type WindowStyle = "normal" | "ontop";
  type WindowState = "normal" | "minimized" | "maximized";
  type WindowBorder = "none" | "single" | "sizeable" | "dialog" | "toolwindow" | "sizetoolwindow";
  interface WindowSize { top: number; left: number; width: number; height: number }

  interface Window {
    getStyle(): Promise<WindowStyle>;
    /** Runtime only. */
    setStyle(options: { style?: WindowStyle | string }): Promise<true>;
    /** Runtime only. */
    getState(): Promise<WindowState>;
    /** Runtime only; an unknown state changes nothing. */
    setState(options: { state?: WindowState | string }): Promise<true>;
    getTitle(): Promise<string>;
    /** Runtime only. */
    setTitle(options: { title?: string }): Promise<true>;
    /** The zoom factor as text, for example "1.25". */
    getZoom(): Promise<string>;
    /** false (and zoom reset to 1) when the factor is not a number with "." as separator. */
    setZoom(options: { factor?: number | string }): Promise<boolean>;
    /** Runtime only. */
    getSize(): Promise<WindowSize>;
    /** Missing keys keep their current value. Runtime only. */
    setSize(options: Partial<Record<keyof WindowSize, number | string>>): Promise<true>;
    /** Runtime only. */
    getBorder(): Promise<WindowBorder>;
    /** No reply. Runtime only. */
    setBorder(options: { border?: WindowBorder }): Promise<never>;
  }

  interface Shell {
    /** Opens a file or address with its default application, or starts a program. */
    execute(options: { filePath: string; arguments?: string }): Promise<true>;
    /** Shows the file in the file manager. */
    explore(options: { filePath: string }): Promise<true>;
    /** Runs a command line and resolves with its standard output and error. */
    command(options: { command: string; workingDir?: string; showWindow?: boolean | "true" | "false" }): Promise<string>;
    /** Captions of the desktop's top-level windows, front to back. */
    windows(): Promise<string[]>;
  }

  interface Themes {
    /** Runtime only. */
    getTheme(): Promise<string>;
    /** Runtime only. */
    getThemes(): Promise<string[]>;
    /** true when the active theme then bears exactly this name. Runtime only. */
    setTheme(options: { name: string }): Promise<boolean>;
  }

  interface Base64 {
    decodeToFile(options: FilePathOptions & { contents?: string }): Promise<true>;
  }

  interface System {
    /** Runtime only. */
    logoff(): Promise<true>;
    /** Runtime only. */
    reboot(): Promise<true>;
    /** Runtime only. */
    shutdown(): Promise<true>;
    /** Entries "E,aa:bb:cc:dd:ee:ff" (E Ethernet, W wireless, U other). */
    macAddresses(): Promise<string[]>;
    /** false when the desktop has no notification service. */
    notification(options: { name?: string; title?: string; body?: string }): Promise<boolean>;
  }

  interface MenuItem {
    caption: string;
    id: number | string;
    enabled?: boolean | string | number;
    /** A package entry below the application folder or a file path. */
    image?: string;
    items?: MenuItem[];
  }
  interface MenuItemUpdate { id: number | string; caption?: string; enabled?: boolean | string | number; image?: string }

  interface MainMenu {
    /** `items` is the JSON text of a MenuItem array. Runtime only. */
    setItems(options: { items: string }): Promise<true>;
    /** Runtime only. */
    updateItem(options: MenuItemUpdate): Promise<true>;
  }

  interface TrayMenu {
    /** Runtime only. */
    showIcon(): Promise<true>;
    /** Runtime only. */
    hideIcon(): Promise<true>;
    /** `items` is the JSON text of a MenuItem array. Runtime only. */
    setItems(options: { items: string }): Promise<true>;
    /** Runtime only. */
    updateItem(options: MenuItemUpdate): Promise<true>;
  }

  interface RegistryKeyOptions { key: string }
  interface RegistryValueOptions extends RegistryKeyOptions { name: string }
  interface Registry {
    writeValue(options: RegistryValueOptions & { value?: string }): Promise<boolean>;
    /** "" when the key or value does not exist. */
    readValue(options: RegistryValueOptions): Promise<string>;
    valueExist(options: RegistryValueOptions): Promise<boolean>;
    deleteValue(options: RegistryValueOptions): Promise<boolean>;
    keyExist(options: RegistryKeyOptions): Promise<boolean>;
    deleteKey(options: RegistryKeyOptions): Promise<boolean>;
  }

  /** Handlers the host calls; replace them by assignment. */
  interface Events {
    /** Called on every attempt to close the window; the default closes the application. */
    onCloseQuery(): void;
    onMainMenuItemClick(itemId: string): void;
    onTrayMenuItemClick(itemId: string): void;
    onTrayIconClick(): void;
    onNotificationClick(notifName: string): void;
  }

  interface Bridge {
    /** The transport: posts {id, uuid, data} and settles with the reply. */
    call(funcID: number, args?: unknown): Promise<any>;
    /** "2024.10" */
    hello(): Promise<string>;
    /** true in a packaged executable, false in `zel dev`. */
    isRuntime(): Promise<boolean>;
    dialogs: Dialogs;
    files: Files;
    folders: Folders;
    app: App;
    window: Window;
    shell: Shell;
    themes: Themes;
    base64: Base64;
    system: System;
    mainMenu: MainMenu;
    registry: Registry;
    trayMenu: TrayMenu;
    events: Events;
  }
}

interface Window {
  zel: Zel.Bridge;
}

declare var zel: Zel.Bridge;
