// Reading every sample through korvel.wasm against the native core, side by
// side: the native tool (korvel_dump_pictures --time, over the C API) and the
// module in node take turns, each round reading every sample once; the
// medians and their ratio are printed.
//
//   node web/tests/bench.mjs SITE DUMP_TOOL SAMPLES [ROUNDS] [TURNS]
//
// With DUMP_TOOL `-` it only reads every sample ROUNDS times through the
// module and prints the median round, as the tool's --time does.

import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [site, tool, samples, rounds = '200', turns = '5'] = process.argv.slice(2);
const korvel = await import(pathToFileURL(path.join(path.resolve(site), 'korvel.mjs')).href);
const names = fs.readdirSync(samples).sort();
const files = names.map((name) => ({ name, bytes: fs.readFileSync(path.join(samples, name)) }));
const e = await korvel.instantiate();

// The module's own calls, as the native tool makes them: bytes in, open, close.
function openAndClose(file) {
  const at = e.malloc(file.bytes.length);
  new Uint8Array(e.memory.buffer, at, file.bytes.length).set(file.bytes);
  const name = new TextEncoder().encode(file.name + '\0');
  const nameAt = e.malloc(name.length);
  new Uint8Array(e.memory.buffer, nameAt, name.length).set(name);
  const handle = e.korvel_open_memory(at, file.bytes.length, nameAt);
  e.free(at);
  e.free(nameAt);
  const count = e.korvel_picture_count(handle);
  e.korvel_close(handle);
  return count;
}

async function timeModule(work) {
  const times = [];
  for (let r = 0; r < Number(rounds); ++r) {
    const start = process.hrtime.bigint();
    for (const file of files) await work(file);
    times.push(Number(process.hrtime.bigint() - start) / 1000);
  }
  times.sort((a, b) => a - b);
  return times[times.length >> 1];
}

if (tool === '-') {
  console.log(`${(await timeModule(openAndClose)).toFixed(1)}`);
  process.exit(0);
}

const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];
const native = [], module = [], readFile = [];
for (let turn = 0; turn < Number(turns) + 1; ++turn) {
  const [micros] = execFileSync(tool, ['--time', rounds, ...names.map((n) => path.join(samples, n))], { encoding: 'utf8' })
    .trim().split(' ').map(Number);
  const core = await timeModule(openAndClose);
  const whole = await timeModule((file) => korvel.readFile(file.bytes, file.name));
  if (turn === 0) continue;  // the first turn warms both up
  native.push(micros);
  module.push(core);
  readFile.push(whole);
}
const [n, m, r] = [median(native), median(module), median(readFile)];
console.log(`every sample (${files.length} files), median of ${turns} turns of ${rounds} rounds:`);
console.log(`  native core, C API:               ${n.toFixed(1)} µs`);
console.log(`  korvel.wasm, the same calls:      ${m.toFixed(1)} µs  (${(m / n).toFixed(2)}× native)`);
console.log(`  korvel.mjs readFile (with RGBA):  ${r.toFixed(1)} µs  (${(r / n).toFixed(2)}× native)`);
