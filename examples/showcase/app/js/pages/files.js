// zel.files, zel.folders and zel.base64: files on the disk.
import { fn, section } from '../lib/demo.js';
import { state } from '../lib/state.js';

export const title = 'Files & folders';

const inTemp = (name) => `${state.tempDir}${name}`;

export function render() {
  const file = () => ({ filePath: inTemp('zel-showcase.txt') });
  return section('Files, folders and base64',
    'Relative paths are relative to the executable\'s folder. The defaults use the temporary folder.',
    fn({ name: 'files.writeTextFile', args: () => ({ ...file(), contents: 'Hello from zel\nSecond line' }),
      call: (a) => zel.files.writeTextFile(a), note: 'UTF-8 with a byte-order mark, CR LF line ends, replaced atomically.' }),
    fn({ name: 'files.fileExists', args: file, call: (a) => zel.files.fileExists(a) }),
    fn({ name: 'files.deleteFile', args: file, call: (a) => zel.files.deleteFile(a) }),
    fn({ name: 'files.extractFile', runtimeOnly: true,
      args: () => ({ sourceFile: '/data/features.json', targetFile: inTemp('zel-showcase-features.json') }),
      call: (a) => zel.files.extractFile(a), note: 'Copies an entry of the package to a file.' }),
    fn({ name: 'base64.decodeToFile', args: () => ({ filePath: inTemp('zel-showcase.bin'), contents: btoa('binary \u00ff data') }),
      call: (a) => zel.base64.decodeToFile(a), note: 'How a page saves binary data: an image, a generated file.' }),
    fn({ name: 'folders.getTempDir', call: () => zel.folders.getTempDir() }),
    fn({ name: 'folders.getUserDocumentsDir', call: () => zel.folders.getUserDocumentsDir() }),
    fn({ name: 'folders.getUserDesktopDir', call: () => zel.folders.getUserDesktopDir() }),
    fn({ name: 'folders.getAppExecutableDir', call: () => zel.folders.getAppExecutableDir() }),
    fn({ name: 'folders.getAppDataDir', call: () => zel.folders.getAppDataDir() }),
    fn({ name: 'folders.dirExists', args: () => ({ dirPath: state.tempDir }), call: (a) => zel.folders.dirExists(a) }),
    fn({ name: 'folders.deleteDir', args: () => ({ dirPath: inTemp('zel-showcase-folder/') }),
      call: (a) => zel.folders.deleteDir(a), confirm: 'the folder and everything in it is deleted.',
      note: 'A link to a folder loses the link only.' }));
}
