#!/usr/bin/env node
// Runs the native wapp-pack this package carries for the platform it is on,
// with the same arguments and standard streams, and ends as it ends: with
// its exit code, or by the signal that ended it.
'use strict';
const { spawn } = require('child_process');
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
const child = spawn(file, process.argv.slice(2), { stdio: 'inherit' });

// A signal for the wrapper is one for the packer, which then removes its
// half-written output and ends; the wrapper waits for that. On Windows the
// console's Ctrl+C reaches the packer itself (a kill would end it at once),
// so there the wrapper only waits.
const passed = ['SIGINT', 'SIGTERM', 'SIGHUP'];
const pass = (signal) => { if (process.platform !== 'win32') child.kill(signal); };
for (const signal of passed) process.on(signal, pass);

child.on('error', (error) => {
  process.stderr.write(`wapp-pack: cannot run ${file}: ${error.message}\n`);
  process.exit(1);
});
child.on('exit', (code, signal) => {
  if (!signal) process.exit(code);
  // Ended by a signal: end the same way, or as a shell reports it where Node
  // ignores that signal (SIGPIPE).
  for (const s of passed) process.removeListener(s, pass);
  process.kill(process.pid, signal);
  process.exit(128 + os.constants.signals[signal]);
});
