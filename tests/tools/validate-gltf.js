// Runs the Khronos glTF validator over every file named on the command line in one node
// process, since starting node costs more than validating a model. One JSON line per file:
// {"file", "errors", "warnings", "issues": ["CODE pointer message", ...]} for errors and
// warnings only. The validator's module folder comes first on the command line.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require(path.join(process.argv[2], 'gltf-validator'));

async function validate(file) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
        uri: path.basename(file),
        maxIssues: 0,
        externalResourceFunction: (uri) => new Promise((resolve, reject) => {
            fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)),
                        (err, data) => err ? reject(err.toString()) : resolve(new Uint8Array(data)));
        }),
    });
    const issues = report.issues.messages.filter((m) => m.severity <= 1)
        .map((m) => `${m.code} ${m.pointer || ''} ${m.message}`);
    return {file, errors: report.issues.numErrors, warnings: report.issues.numWarnings, issues};
}

(async () => {
    for (const file of process.argv.slice(3)) {
        let line;
        try {
            line = await validate(file);
        } catch (e) {
            line = {file, errors: 1, warnings: 0, issues: [`not validated: ${e}`]};
        }
        process.stdout.write(JSON.stringify(line) + '\n');
    }
})();
