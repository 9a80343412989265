// The examples' web build under Node.js: the working folder is the
// machine's own (so that `--frame FILE` writes a real file there); in a page
// nothing changes.
if (typeof process == 'object' && typeof require == 'function' && typeof window == 'undefined') {
  Module['preRun'] = (Module['preRun'] || []).concat(function () {
    var here = process.cwd();
    FS.mkdirTree(here);
    FS.mount(NODEFS, { root: here }, here);
    FS.chdir(here);
  });
}
