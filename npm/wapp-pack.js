#!/usr/bin/env node
// Runs the native wapp-pack this package carries for the platform it is on,
// with the same arguments, standard streams and exit code.
'use strict';
const { spawnSync } = require('child_process');
const os = require('os');
const path = require('path');

const programs = { 'linux-x64': 'wapp-pack', 'win32-x64': 'wapp-pack.exe' };
const platform = `${process.platform}-${process.arch}`;
const program = programs[platform];
if (!program) {
  process.stderr.write(`wapp-pack: ${platform} is not supported yet; this package runs on ` +
                       `${Object.keys(programs).join(' and ')}.\n`);
  process.exit(2);
}
const file = path.join(__dirname, '..', 'native', platform, program);
const run = spawnSync(file, process.argv.slice(2), { stdio: 'inherit' });
if (run.error) {
  process.stderr.write(`wapp-pack: cannot run ${file}: ${run.error.message}\n`);
  process.exit(1);
}
// Ended by a signal: end the same way, or as a shell reports it where Node
// ignores that signal (SIGPIPE).
if (run.signal) {
  process.kill(process.pid, run.signal);
  process.exit(128 + os.constants.signals[run.signal]);
}
process.exit(run.status);
