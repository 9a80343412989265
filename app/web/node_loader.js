// Under Node.js the loader would fetch the .wasm by its file path, which
// Node's fetch refuses: read it from beside this script instead.
if (typeof process == 'object' && typeof require == 'function' && typeof window == 'undefined') {
  Module['wasmBinary'] = require('fs').readFileSync(__filename.replace(/\.js$/, '.wasm'));
}
