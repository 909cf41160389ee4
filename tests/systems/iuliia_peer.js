// Runs the iuliia package over the lines of standard input, once per
// system named on the command line (our names: gost-779 is GOST_779), and
// writes each system's output as one block after a line "== NAME".
// Usage: node iuliia_peer.js IULIIA_DIR NAME... < text
// With --samples: writes each system's own worked examples instead, as
// lines "source<TAB>expected".
"use strict";
const path = require("path");
const [dir, ...rest] = process.argv.slice(2);
const iuliia = require(path.resolve(dir, "node_modules", "iuliia"));
const samples = rest[0] === "--samples";
const names = samples ? rest.slice(1) : rest;
const schemaOf = (name) => iuliia[name.toUpperCase().replace(/-/g, "_")];
let input = "";
process.stdin.setEncoding("utf8");
process.stdin.on("data", (d) => (input += d));
process.stdin.on("end", () => {
  const out = [];
  for (const name of names) {
    const schema = schemaOf(name);
    out.push("== " + name);
    if (!schema) {
      out.push("(no such system in iuliia)");
      continue;
    }
    if (samples) {
      for (const [src, want] of schema.samples || []) out.push(src + "\t" + want);
    } else {
      out.push(iuliia.translate(input, schema));
    }
  }
  process.stdout.write(out.join("\n") + "\n");
});
