// Figures for the explorer page, in Debian's chromium (not a test):
//   node bench/explorer.mjs TANGLET_VIEW LISTING... [-- OPTION...]
// Needs the browser tests' packages (npm ci --prefix tests/browser). Prints
// the page's size, load to first neighbourhood drawn, refocus time and
// search latency per keystroke, and paths to the most-called.
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, '../tests/browser/package.json'));
const puppeteer = require('puppeteer-core');

const args = process.argv.slice(2);
if (args.length < 2) {
  console.error('usage: node bench/explorer.mjs TANGLET_VIEW LISTING... [-- OPTION...]');
  process.exit(2);
}
const [view, ...rest] = args;
const cut = rest.indexOf('--');
const listings = cut < 0 ? rest : rest.slice(0, cut);
const options = cut < 0 ? [] : rest.slice(cut + 1);

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tanglet-bench-'));
const file = path.join(work, 'page.html');
fs.writeFileSync(file, execFileSync(view, ['-T', 'html', ...options, ...listings], { maxBuffer: 1 << 30 }));
const url = 'file://' + file;
const bytes = fs.statSync(file).size;
// The graph as JSON, read here rather than from the page, whose data is packed.
const whole = JSON.parse(execFileSync(view, ['-T', 'json', '--max-nodes=0', ...options, ...listings],
  { maxBuffer: 1 << 30 }).toString('utf8'));

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length % 2 ? s[s.length >> 1] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};
const ms = (x) => x.toFixed(1).padStart(7) + ' ms';

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  userDataDir: path.join(work, 'profile'),
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
});
try {
  // Load: from navigation start to the end of the first drawing, fresh tab each time.
  const loads = [];
  let page;
  for (let i = 0; i < 5; i++) {
    if (page) await page.close();
    page = await browser.newPage();
    await page.setViewport({ width: 1400, height: 900 });
    await page.goto(url);
    await page.waitForSelector('#graph[data-renders]');
    loads.push(await page.evaluate(() => {
      const m = performance.getEntriesByName('tanglet-drawn')[0];
      return m.startTime;
    }));
  }
  const graph = { nodes: whole.nodes.length, edges: whole.edges.length };

  // Refocus: a click on a drawn node, to the end of style and layout, and to
  // the next frame. Twenty nodes picked from the view in turn; then the
  // functions with the most callers, the worst case for a neighbourhood.
  const refocus = (pick) =>
    page.evaluate(async (pick) => {
      const nodes = [...document.querySelectorAll('#graph .node:not(.centre)')];
      if (!nodes.length) return null;
      const g = pick < 0 ? null : nodes[pick % nodes.length];
      const t0 = performance.now();
      if (g) g.dispatchEvent(new MouseEvent('click', { bubbles: true }));
      await new Promise((r) => addEventListener('hashchange', r, { once: true }));
      void document.getElementById('graph').getBoundingClientRect().width;
      const t1 = performance.now();
      await new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0)));
      return [t1 - t0, performance.now() - t0, document.querySelectorAll('#graph .node').length];
    }, pick);
  const synced = [], framed = [], sizes = [];
  for (let i = 0; i < 20; i++) {
    const r = await refocus(i * 7 + 3);
    if (!r) break;
    synced.push(r[0]);
    framed.push(r[1]);
    sizes.push(r[2]);
  }
  const callers = new Array(whole.nodes.length).fill(0);
  for (const e of whole.edges) callers[e.target]++;
  const hubs = callers.map((c, i) => [c, i]).sort((a, b) => b[0] - a[0]).slice(0, 5).map((x) => x[1]);
  // By name in the fragment, as a link would: the most-called functions are
  // library ones, whose names are unique.
  const hubTimes = [];
  for (const id of hubs) {
    hubTimes.push(await page.evaluate(async (name) => {
      const t0 = performance.now();
      location.hash = '#' + encodeURIComponent(name);
      await new Promise((r) => addEventListener('hashchange', r, { once: true }));
      void document.getElementById('graph').getBoundingClientRect().width;
      return [performance.now() - t0, document.querySelectorAll('#graph .node').length];
    }, whole.nodes[id].name));
  }

  // Paths: from the first view's centre to each of the most-called, by the
  // fragment as a link would.
  const pathTimes = [];
  for (const id of hubs) {
    const from = whole.nodes.findIndex((v) => v.name === 'main');
    pathTimes.push(await page.evaluate(async (a, b) => {
      const t0 = performance.now();
      location.hash = '#' + encodeURIComponent(a) + '&to=' + encodeURIComponent(b);
      await new Promise((r) => addEventListener('hashchange', r, { once: true }));
      void document.getElementById('graph').getBoundingClientRect().width;
      return [performance.now() - t0, document.querySelectorAll('#graph .node').length];
    }, whole.nodes[from < 0 ? 0 : from].name, whole.nodes[id].name));
  }

  // Search: each keystroke of a few queries, from the input event to the
  // list laid out.
  const keystrokes = await page.evaluate(() => {
    const box = document.getElementById('search'), out = [];
    for (const q of ['s', 'st', 'str', 'str_', 'str_a', 'e', 'ex', 'ext', 'ext_m', 'x', 'xz', 'mal', 'malloc', 'q', 'qq']) {
      box.value = q;
      const t0 = performance.now();
      box.dispatchEvent(new Event('input', { bubbles: true }));
      void document.getElementById('results').getBoundingClientRect().height;
      out.push(performance.now() - t0);
    }
    return out;
  });

  // The renderers' peak resident memory, from the kernel's record of each.
  const procs = [];
  for (const pid of fs.readdirSync('/proc').filter((x) => /^\d+$/.test(x))) {
    try {
      const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
      const cmd = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      procs.push({ pid: Number(pid), ppid: Number(/PPid:\s*(\d+)/.exec(status)[1]), cmd, status });
    } catch (err) { /* gone */ }
  }
  const ours = new Set([browser.process().pid]);
  for (let grown = true; grown;) {
    grown = false;
    for (const p of procs) if (!ours.has(p.pid) && ours.has(p.ppid)) grown = ours.add(p.pid);
  }
  const peak = Math.max(0, ...procs.filter((p) => ours.has(p.pid) && p.cmd.includes('--type=renderer'))
    .map((p) => Number((/VmHWM:\s*(\d+)/.exec(p.status) || [0, 0])[1])));
  console.log(`graph: ${graph.nodes} functions, ${graph.edges} calls`);
  console.log(`page: ${bytes} bytes (${(bytes / 1048576).toFixed(2)} MiB)`);
  console.log(`load to first neighbourhood drawn: median ${ms(median(loads))}, max ${ms(Math.max(...loads))} (5 loads)`);
  console.log(`refocus by click, to layout:      median ${ms(median(synced))}, max ${ms(Math.max(...synced))} (20, ${Math.min(...sizes)}-${Math.max(...sizes)} nodes)`);
  console.log(`refocus by click, to next frame:  median ${ms(median(framed))}, max ${ms(Math.max(...framed))}`);
  console.log(`refocus on the 5 most-called:     ${hubTimes.map((h) => h[0].toFixed(1) + ' ms/' + h[1]).join(', ')} (ms/nodes)`);
  console.log(`paths from main to those 5:       ${pathTimes.map((h) => h[0].toFixed(1) + ' ms/' + h[1]).join(', ')} (ms/nodes)`);
  console.log(`renderer peak resident memory:    ${(peak / 1024).toFixed(0)} MiB`);
  console.log(`search, per keystroke:            median ${ms(median(keystrokes))}, max ${ms(Math.max(...keystrokes))} (${keystrokes.length} keystrokes)`);
} finally {
  await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
}
