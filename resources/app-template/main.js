// window.zel is the bridge to the desktop: every call returns a promise.
const status = document.getElementById('runtime');
if (window.zel) {
  zel.hello().then((version) => { status.textContent = `Running on zel ${version}.`; });
  document.getElementById('close').addEventListener('click', () => zel.app.close());
} else {
  status.textContent = 'Open this page with the zel runtime to use window.zel.';
}
