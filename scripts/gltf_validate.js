// Validates glTF files with the Khronos validator: one line per file
// ("FILE errors E warnings W"), the messages of every error, and exit
// status 1 when any file has an error.
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function main() {
  let failed = false;
  for (const file of process.argv.slice(2)) {
    const bytes = new Uint8Array(fs.readFileSync(file));
    const dir = path.dirname(file);
    const report = await validator.validateBytes(bytes, {
      uri: file,
      maxIssues: 0,
      externalResourceFunction: (uri) =>
        new Promise((resolve, reject) => {
          fs.readFile(path.resolve(dir, decodeURIComponent(uri)), (err, data) =>
            err ? reject(err.toString()) : resolve(new Uint8Array(data)));
        }),
    });
    const e = report.issues.numErrors, w = report.issues.numWarnings;
    console.log(`${file} errors ${e} warnings ${w}`);
    for (const m of report.issues.messages)
      if (m.severity === 0) console.log(`  ${m.code} ${m.pointer || ''}: ${m.message}`);
    if (e > 0) failed = true;
  }
  process.exit(failed ? 1 : 0);
}
main().catch((err) => { console.error(err); process.exit(2); });
