// window.zel: the page's bridge to the desktop. Every function posts a call
// message {id, uuid, data} and returns a promise settled by the host's reply
// carrying the same uuid.
window.zel = {
  call: function (funcID, args) {
    return new Promise(function (resolve, reject) {
      var uuid = 'xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx'.replace(/[xy]/g, function (c) {
        var r = (Math.random() * 16) | 0;
        return (c === 'x' ? r : (r & 3) | 8).toString(16);
      });
      var listener = function (event) {
        var reply = event.data;
        if (!reply || reply.uuid !== uuid) return;
        window.chrome.webview.removeEventListener('message', listener);
        if (reply.success) resolve(reply.result);
        else reject(reply.result);
      };
      window.chrome.webview.addEventListener('message', listener);
      window.chrome.webview.postMessage({ id: funcID, uuid: uuid, data: args });
    });
  },
  hello: function () { return this.call(10001, {}); },
  isRuntime: function () { return this.call(10002, {}); },
  dialogs: {
    openFile: function (args) { return window.zel.call(20001, args); },
    saveFile: function (args) { return window.zel.call(20002, args); },
    selFolder: function (args) { return window.zel.call(20003, args); }
  },
  files: {
    fileExists: function (args) { return window.zel.call(30001, args); },
    deleteFile: function (args) { return window.zel.call(30002, args); },
    writeTextFile: function (args) { return window.zel.call(30003, args); },
    extractFile: function (args) { return window.zel.call(30004, args); }
  },
  folders: {
    dirExists: function (args) { return window.zel.call(40001, args); },
    deleteDir: function (args) { return window.zel.call(40002, args); },
    getTempDir: function () { return window.zel.call(40003, {}); },
    getUserDocumentsDir: function () { return window.zel.call(40004, {}); },
    getUserDesktopDir: function () { return window.zel.call(40005, {}); },
    getAppExecutableDir: function () { return window.zel.call(40006, {}); },
    getAppDataDir: function () { return window.zel.call(40007, {}); }
  },
  app: {
    close: function () { return window.zel.call(50001, {}); },
    inFullscreen: function () { return window.zel.call(50002, {}); },
    enterFullscreen: function () { return window.zel.call(50003, {}); },
    exitFullscreen: function () { return window.zel.call(50004, {}); },
    getArgs: function () { return window.zel.call(50005, {}); },
    navigate: function (args) { return window.zel.call(50006, args); }
  },
  window: {
    getStyle: function () { return window.zel.call(60001, {}); },
    setStyle: function (args) { return window.zel.call(60002, args); },
    getState: function () { return window.zel.call(60003, {}); },
    setState: function (args) { return window.zel.call(60004, args); },
    getTitle: function () { return window.zel.call(60005, {}); },
    setTitle: function (args) { return window.zel.call(60006, args); },
    getZoom: function () { return window.zel.call(60007, {}); },
    setZoom: function (args) { return window.zel.call(60008, args); },
    getSize: function () { return window.zel.call(60009, {}); },
    setSize: function (args) { return window.zel.call(60010, args); },
    getBorder: function () { return window.zel.call(60011, {}); },
    setBorder: function (args) { return window.zel.call(60012, args); }
  },
  shell: {
    execute: function (args) { return window.zel.call(70001, args); },
    explore: function (args) { return window.zel.call(70002, args); },
    command: function (args) { return window.zel.call(70003, args); },
    windows: function () { return window.zel.call(70004, {}); }
  },
  themes: {
    getTheme: function () { return window.zel.call(80001, {}); },
    getThemes: function () { return window.zel.call(80002, {}); },
    setTheme: function (args) { return window.zel.call(80003, args); }
  },
  base64: {
    decodeToFile: function (args) { return window.zel.call(90001, args); }
  },
  system: {
    logoff: function () { return window.zel.call(11001, {}); },
    reboot: function () { return window.zel.call(11002, {}); },
    shutdown: function () { return window.zel.call(11003, {}); },
    macAddresses: function () { return window.zel.call(11004, {}); },
    notification: function (args) { return window.zel.call(11005, args); }
  },
  mainMenu: {
    setItems: function (args) { return window.zel.call(12001, args); },
    updateItem: function (args) { return window.zel.call(12002, args); }
  },
  registry: {
    writeValue: function (args) { return window.zel.call(13001, args); },
    readValue: function (args) { return window.zel.call(13002, args); },
    valueExist: function (args) { return window.zel.call(13003, args); },
    deleteValue: function (args) { return window.zel.call(13004, args); },
    keyExist: function (args) { return window.zel.call(13005, args); },
    deleteKey: function (args) { return window.zel.call(13006, args); }
  },
  trayMenu: {
    showIcon: function () { return window.zel.call(14001, {}); },
    hideIcon: function () { return window.zel.call(14002, {}); },
    setItems: function (args) { return window.zel.call(14003, args); },
    updateItem: function (args) { return window.zel.call(14004, args); }
  },
  events: {
    onCloseQuery: function () { window.zel.app.close(); },
    onMainMenuItemClick: function (itemId) {},
    onTrayMenuItemClick: function (itemId) {},
    onTrayIconClick: function () {},
    onNotificationClick: function (notifName) {}
  }
};
