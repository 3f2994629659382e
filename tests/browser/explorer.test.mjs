// The explorer page of `tanglet-view -T html` in a real browser. Every
// drawn neighbourhood is checked against one computed here from
// `tanglet-view -T json`, not by the viewer's own code.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const VIEW = process.env.TANGLET_VIEW;
const SRC = process.env.TANGLET_SOURCE_DIR;
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const corpus = path.join(SRC, 'tests/golden/cflow_plain.cflow');
const hostile = path.join(SRC, 'tests/browser/hostile.cflow');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tanglet-browser-'));

function view(args) {
  return execFileSync(VIEW, args, { maxBuffer: 1 << 28 });
}
function graphOf(args) {
  return JSON.parse(view(['-T', 'json', '--max-nodes=1000000', ...args]).toString('utf8'));
}
// settings overrides fields of the page's data, as the command line sets them.
function pageOf(name, args, settings) {
  const file = path.join(work, name + '.html');
  let page = view(['-T', 'html', ...args]);
  if (settings) {
    const re = /(<script type="application\/json" id="tanglet-data">)([^]*?)(<\/script>)/;
    page = page.toString('utf8').replace(re, (all, open, data, close) =>
      open + JSON.stringify(Object.assign(JSON.parse(data), settings)).replace(/</g, '\\u003c') + close);
  }
  fs.writeFileSync(file, page);
  return 'file://' + file;
}

// ---- the neighbourhood, as the explorer must draw it
function neighbourhood(g, centre, up, down, hideUndefined = false) {
  const hidden = (v) => hideUndefined && !g.nodes[v].defined && v !== centre;
  const walk = (depth, next) => {
    const dist = new Map([[centre, 0]]);
    let level = [centre];
    for (let d = 1; d <= depth; d++) {
      const found = [];
      for (const v of level)
        for (const w of next(v))
          if (!dist.has(w) && !hidden(w)) {
            dist.set(w, d);
            found.push(w);
          }
      level = found;
    }
    return dist;
  };
  const outs = new Map(), ins = new Map();
  for (const { source, target } of g.edges) {
    if (!outs.has(source)) outs.set(source, []);
    if (!ins.has(target)) ins.set(target, []);
    outs.get(source).push(target);
    ins.get(target).push(source);
  }
  const f = walk(down, (v) => outs.get(v) || []);
  const b = walk(up, (v) => ins.get(v) || []);
  const col = new Map();
  for (const [v, d] of f) col.set(v, d);
  for (const [v, d] of b) if (!f.has(v) || f.get(v) > d) col.set(v, -d);
  const edges = new Set();
  for (const { source: s, target: t } of g.edges)
    if (col.has(s) && col.has(t) && ((f.has(s) && f.get(s) < down) || (b.has(t) && b.get(t) < up)))
      edges.add(s + '>' + t);
  return { col, edges };
}

// ---- the browser
let browser;
before(async () => {
  browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir: fs.mkdtempSync(path.join(work, 'profile-')),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
});
after(async () => {
  if (browser) await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
});

// A page that fails its test on any console error, script error, dialog
// or request other than its own file (or what allow lets through). A
// navigation elsewhere is answered "204 No Content", so that the page
// stays, and kept in page.navigations; with policy, the page's Content
// Security Policy reports go to page.violations instead.
async function load(url, t, { size = { width: 1280, height: 800 }, allow = () => false, policy = false } = {}) {
  const page = await browser.newPage();
  await page.setViewport(size);
  const trouble = [];
  page.navigations = [];
  page.violations = [];
  page.on('console', (m) => {
    if (policy && /Content Security Policy/.test(m.text())) page.violations.push(m.text());
    else if (m.type() === 'error' || m.type() === 'warn') trouble.push('console: ' + m.text());
  });
  page.on('pageerror', (e) => trouble.push('page error: ' + e.message));
  page.on('dialog', async (d) => {
    trouble.push('dialog: ' + d.message());
    await d.dismiss();
  });
  await page.setRequestInterception(true);
  const own = url.replace(/#.*/, '');
  page.on('request', (r) => {
    if (r.url().replace(/#.*/, '') === own || allow(r.url())) return r.continue();
    if (r.isNavigationRequest() && r.frame() === page.mainFrame()) {
      page.navigations.push(r.url());
      return r.respond({ status: 204 });
    }
    trouble.push('request: ' + r.url());
    return r.abort();
  });
  t.after(async () => {
    await page.close();
    assert.deepEqual(trouble, []);
  });
  await page.goto(url);
  return page;
}

async function open(url, t, size) {
  const page = await load(url, t, { size });
  await page.waitForSelector('#graph[data-renders]');
  return page;
}

const drawn = (page) =>
  page.evaluate(() => {
    const svg = document.getElementById('graph');
    return {
      centre: Number(svg.dataset.centre),
      callers: Number(svg.dataset.callers),
      callees: Number(svg.dataset.callees),
      renders: Number(svg.dataset.renders),
      cut: svg.hasAttribute('data-cut'),
      hash: location.hash,
      nodes: [...svg.querySelectorAll('.node')].map((g) => ({
        id: Number(g.dataset.id), col: Number(g.dataset.col), cut: g.hasAttribute('data-cut'),
        label: g.querySelector('text').textContent, fill: g.querySelector('rect').style.fill,
      })),
      edges: [...svg.querySelectorAll('.edge')].map((p) => p.dataset.source + '>' + p.dataset.target),
    };
  });

// Runs an action and waits for the drawing it causes.
async function redraw(page, action) {
  const before = (await drawn(page)).renders;
  await action();
  await page.waitForFunction((r) => Number(document.getElementById('graph').dataset.renders) > r, { timeout: 5000 }, before);
  return drawn(page);
}

function assertNeighbourhood(g, d, centre, up, down, hide) {
  const want = neighbourhood(g, centre, up, down, hide);
  assert.equal(d.centre, centre);
  const got = new Map(d.nodes.map((x) => [x.id, x.col]));
  assert.deepEqual([...got].sort((a, b) => a[0] - b[0]), [...want.col].sort((a, b) => a[0] - b[0]),
    `nodes around ${g.nodes[centre].name}, callers ${up}, callees ${down}`);
  assert.deepEqual([...d.edges].sort(), [...want.edges].sort(), `edges around ${g.nodes[centre].name}`);
  assert.equal(d.edges.length, want.edges.size, 'one path per call');
}

const plain = () => graphOf([corpus]);
const idOf = (g, name) => g.nodes.findIndex((v) => v.name === name);

test('the first view: main, one caller level and two callee levels', async (t) => {
  const g = plain();
  const page = await open(pageOf('plain', [corpus]), t);
  const d = await drawn(page);
  assertNeighbourhood(g, d, idOf(g, 'main'), 1, 2);
  assert.equal(d.hash, '#main');
  assert.deepEqual([d.callers, d.callees], [1, 2]);
  assert.equal(await page.$eval('#callers', (e) => e.value), '1');
  assert.equal(await page.$eval('#callees', (e) => e.value), '2');
});

// A ring a -> b -> c -> d -> a with a shortcut b -> d: around a, d is a
// callee three levels on and a caller one level back.
const ring = ['a', 'b', 'c', 'd'].map((f, i) => `${i + 1}${'\t'.repeat(i + 1)}${f}: void (void), <r.c ${i + 1}>`)
  .concat(['5\t\t\t\t\ta: 1', '6\t\t\t\t\texit: <>', '7\t\t\td: 4']).join('\n') + '\n';

test('every function at every sort of depth draws its neighbourhood', async (t) => {
  const ringFile = path.join(work, 'ring.cflow');
  fs.writeFileSync(ringFile, ring);
  const depths = [[1, 2], [2, 1], [3, 5], [5, 5], [1, 1], [1, 3]];
  for (const [name, listing] of [['plain', corpus], ['ring', ringFile]]) {
    const g = graphOf([listing]);
    const page = await open(pageOf(name, [listing]), t);
    for (const [up, down] of depths)
      for (let v = 0; v < g.nodes.length; v++) {
        const d = await redraw(page, () =>
          page.evaluate((name, up, down) => {
            location.hash = '#' + encodeURIComponent(name) + '&callers=' + up + '&callees=' + down;
          }, g.nodes[v].name, up, down));
        assertNeighbourhood(g, d, v, up, down);
        assert.ok(!d.cut);
      }
  }
});

test('columns are ordered against crossings', async (t) => {
  // In first-seen order (a b m n, then q p) b -> p crosses m -> q and n -> q;
  // b above a, p above q crosses nothing.
  const fan = ['1\tc: void (void), <f.c 1>', '2\t\ta: void (void), <f.c 2>', '3\t\t\tq: void (void), <f.c 10>',
    '4\t\tb: void (void), <f.c 3>', '5\t\t\tp: void (void), <f.c 11>', '6\t\tm: void (void), <f.c 4>',
    '7\t\t\tq: 3', '8\t\tn: void (void), <f.c 5>', '9\t\t\tq: 3'].join('\n') + '\n';
  const file = path.join(work, 'fan.cflow');
  fs.writeFileSync(file, fan);
  const g = graphOf([file]);
  const page = await open(pageOf('fan', [file]), t);
  const [y, col] = ['y', 'col'].map(() => ({}));
  for (const n of await page.$$eval('#graph .node', (l) =>
    l.map((e) => [e.dataset.id, e.dataset.col, / ([\d.]+)\)/.exec(e.getAttribute('transform'))[1]]))) {
    col[n[0]] = Number(n[1]);
    y[n[0]] = Number(n[2]);
  }
  let crossings = 0;
  for (const e of g.edges)
    for (const f of g.edges)
      if (col[e.source] === col[f.source] && (y[e.source] - y[f.source]) * (y[e.target] - y[f.target]) < 0) crossings++;
  assert.equal(crossings, 0);
});

test('search: case-insensitive, exact then prefix then substring, shorter first', async (t) => {
  const g = plain();
  const page = await open(pageOf('plain', [corpus]), t);
  const results = () =>
    page.$$eval('#results li[role=option]', (l) => l.map((e) => ({
      id: Number(e.dataset.id), name: e.querySelector('.name').textContent, where: e.querySelector('.where').textContent,
    })));
  for (const q of ['IS_', 'trace', 'e', 'descend_1', 'zzz']) {
    await page.click('#search', { clickCount: 3 });
    await page.keyboard.press('Backspace');
    await page.keyboard.type(q);
    const got = await results();
    const ql = q.toLowerCase();
    const rank = (name) => {
      const s = name.toLowerCase(), p = s.indexOf(ql);
      return [s === ql ? 0 : p === 0 ? 1 : 2, s.length];
    };
    const all = g.nodes.filter((v) => v.name.toLowerCase().includes(ql));
    assert.equal(got.length, Math.min(50, all.length), q);
    for (let i = 1; i < got.length; i++) {
      const [a, b] = [rank(got[i - 1].name), rank(got[i].name)];
      assert.ok(a[0] < b[0] || (a[0] === b[0] && a[1] <= b[1]), `${q}: ${got[i - 1].name} before ${got[i].name}`);
    }
    for (const r of got) {
      const v = g.nodes[r.id];
      assert.equal(r.name, v.name);
      assert.equal(r.where, v.defined ? `${v.file}:${v.line}` : 'no definition');
    }
  }
  // Enter takes the first, ArrowDown moves on, a click takes any.
  await page.click('#canvas');
  await page.keyboard.press('/');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'search');
  await page.keyboard.type('TRACE');
  let d = await redraw(page, () => page.keyboard.press('Enter'));
  assertNeighbourhood(g, d, idOf(g, 'trace'), 1, 2);
  assert.equal(d.hash, '#trace');
  await page.keyboard.press('/');
  await page.keyboard.type('is_');
  const second = (await results())[1].id;
  d = await redraw(page, async () => {
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
  });
  assert.equal(d.centre, second);
  await page.keyboard.press('/');
  await page.keyboard.type('descend_2');
  const pick = (await results())[3];
  d = await redraw(page, () => page.click(`#results li[data-id="${pick.id}"]`));
  assertNeighbourhood(g, d, pick.id, 1, 2);
});

test('a click refocuses; Back and Forward walk the history; a link opens the same view', async (t) => {
  const g = plain();
  const url = pageOf('plain', [corpus]);
  const page = await open(url, t);
  const click = (name) => redraw(page, () => page.click(`#graph .node[data-id="${idOf(g, name)}"]`));
  let d = await click('fact');
  assertNeighbourhood(g, d, idOf(g, 'fact'), 1, 2);
  d = await click('trace');
  assertNeighbourhood(g, d, idOf(g, 'trace'), 1, 2);
  d = await click('fact'); // now a caller, on the left
  assert.equal(d.centre, idOf(g, 'fact'));
  const walk = async (how, name) => {
    d = await redraw(page, () => page.evaluate(how));
    assertNeighbourhood(g, d, idOf(g, name), 1, 2);
  };
  await walk(() => history.back(), 'trace');
  await walk(() => history.back(), 'fact');
  await walk(() => history.back(), 'main');
  await walk(() => history.forward(), 'fact');
  await walk(() => history.forward(), 'trace');
  // The keyboard: arrows move between drawn nodes, Enter refocuses.
  await page.evaluate((id) => document.querySelector(`#graph .node[data-id="${id}"]`).focus(), idOf(g, 'trace'));
  await page.keyboard.press('ArrowLeft');
  const to = await page.evaluate(() => Number(document.activeElement.dataset.id));
  assert.ok(g.edges.some((e) => e.source === to && e.target === idOf(g, 'trace')), 'ArrowLeft reaches a caller');
  d = await redraw(page, () => page.keyboard.press('Enter'));
  assert.equal(d.centre, to);
  const link = await page.evaluate(() => location.href);
  const again = await open(link, t);
  assertNeighbourhood(g, await drawn(again), to, 1, 2);
});

test('the depth controls redraw, stay in the link, and stop at 1 and 5', async (t) => {
  const g = plain();
  const url = pageOf('plain', [corpus]);
  const page = await open(url + '#is_odd', t);
  const set = (id, value) =>
    redraw(page, async () => {
      await page.click('#' + id, { clickCount: 3 });
      await page.keyboard.type(String(value));
      await page.keyboard.press('Tab');
    });
  const v = idOf(g, 'is_odd');
  let d = await set('callers', 3);
  assertNeighbourhood(g, d, v, 3, 2);
  d = await set('callees', 4);
  assertNeighbourhood(g, d, v, 3, 4);
  d = await set('callees', 9);
  assertNeighbourhood(g, d, v, 3, 5);
  assert.equal(await page.$eval('#callees', (e) => e.value), '5');
  d = await set('callers', 0);
  assertNeighbourhood(g, d, v, 1, 5);
  const again = await open(await page.evaluate(() => location.href), t);
  assertNeighbourhood(g, await drawn(again), v, 1, 5);
});

test('hiding functions without definition and colouring by file', async (t) => {
  const g = plain();
  const page = await open(pageOf('plain', [corpus]), t);
  let d = await redraw(page, () => page.click('#hide-undefined'));
  assertNeighbourhood(g, d, idOf(g, 'main'), 1, 2, true);
  assert.ok(d.nodes.every((x) => g.nodes[x.id].defined));
  d = await redraw(page, () => page.click('#graph .node[data-id="' + idOf(g, 'usage') + '"]'));
  assertNeighbourhood(g, d, idOf(g, 'usage'), 1, 2, true);
  d = await redraw(page, () => page.click('#hide-undefined'));
  assertNeighbourhood(g, d, idOf(g, 'usage'), 1, 2, false);
  assert.ok(d.nodes.some((x) => !g.nodes[x.id].defined));

  await redraw(page, () => page.click('#graph .node[data-id="' + idOf(g, 'main') + '"]'));
  assert.equal(await page.$eval('#legend', (e) => e.hidden), true);
  d = await redraw(page, () => page.click('#by-file'));
  const fills = new Map();
  for (const x of d.nodes) {
    const v = g.nodes[x.id];
    if (!v.defined) continue;
    if (!fills.has(v.file)) fills.set(v.file, x.fill);
    assert.equal(x.fill, fills.get(v.file), 'one colour per file');
    assert.notEqual(x.fill, '');
  }
  assert.equal(new Set(fills.values()).size, fills.size, 'a colour for each file');
  const legend = await page.$$eval('#legend li[data-file]', (l) => l.map((e) => e.dataset.file));
  assert.deepEqual(legend, [...fills.keys()].sort());
  assert.match(await page.evaluate(() => location.hash), /&files$/);
});

test('the details panel', async (t) => {
  const g = plain();
  const page = await open(pageOf('plain', [corpus]) + '#fact', t);
  const fields = () => page.$$eval('#details dd', (l) => Object.fromEntries(l.map((e) => [e.dataset.field, e.textContent])));
  const count = (v, k) => g.edges.filter((e) => e[k] === v).length;
  for (const name of ['printf', 'fact', 'main', 'is_even']) {
    const v = idOf(g, name);
    await redraw(page, () => page.evaluate((n) => (location.hash = '#' + n), name));
    const f = await fields();
    assert.equal(await page.$eval('#details h2', (e) => e.textContent), name);
    assert.equal(f.callers, String(count(v, 'target')));
    assert.equal(f.callees, String(count(v, 'source')));
    assert.equal(f.recursive.startsWith('yes'), !!g.nodes[v].recursive);
    assert.equal(f.defined.startsWith('yes'), g.nodes[v].defined);
    if (g.nodes[v].defined) {
      assert.equal(f.signature, g.nodes[v].signature);
      assert.equal(f.where, `${g.nodes[v].file}:${g.nodes[v].line}`);
    }
  }
  // Its lists walk too.
  const d = await redraw(page, () => page.click('#details button.fn[data-id="' + idOf(g, 'trace') + '"]'));
  assert.equal(d.centre, idOf(g, 'trace'));
  // GCC's call graph tells calls through pointers and the stack frame.
  assert.equal((await fields()).stack, undefined);
  const ci = path.join(work, 'a.ci');
  fs.writeFileSync(ci, 'graph: { title: "a.c"\nnode: { title: "main" label: "main\\na.c:4:5\\n112 bytes (dynamic)" }\n' +
    'edge: { sourcename: "main" targetname: "__indirect_call" label: "a.c:5:3" }\n}\n');
  const gcc = await open(pageOf('gcc', [ci]), t);
  const f = await gcc.$$eval('#details dd', (l) => Object.fromEntries(l.map((e) => [e.dataset.field, e.textContent])));
  assert.equal(f.indirect, '1 call through a pointer');
  assert.equal(f.stack, '112 bytes (dynamic)');
});

test('20,000 functions: packed numbers past one byte (ids, files, lines, signatures, steps back), a search of many hits', async (t) => {
  // 20,000 functions in 300 files, lines up to 2M, 1,000 signatures, each
  // calling one far off.
  const lines = [];
  for (let k = 0, n = 1; k < 20000; k++) {
    lines.push(`${n++}\tf${k}: int (int a${(k * 7) % 1000}), <d${(k * 13) % 300}/x.c ${k * 97 + 1}>`);
    lines.push(`${n++}\t\tf${(k * 7919) % 20000}: <>`);
  }
  const file = path.join(work, 'wide.cflow');
  fs.writeFileSync(file, lines.join('\n') + '\n');
  const g = graphOf([file]);
  const page = await open(pageOf('wide', [file]), t);
  const fields = () => page.$$eval('#details dd', (l) => Object.fromEntries(l.map((e) => [e.dataset.field, e.textContent])));
  for (const v of [63, 64, 127, 128, 8191, 8192, 16383, 16384, 19999, 0]) {
    const d = await redraw(page, () => page.evaluate((n) => (location.hash = '#' + n), g.nodes[v].name));
    assertNeighbourhood(g, d, v, 1, 2);
    const f = await fields();
    assert.equal(f.signature, g.nodes[v].signature);
    assert.equal(f.where, `${g.nodes[v].file}:${g.nodes[v].line}`);
  }
  // A search with hits many times the list's length: the shortest first.
  await page.click('#search', { clickCount: 3 });
  await page.keyboard.type('f1');
  const got = await page.$$eval('#results li[role=option] .name', (l) => l.map((e) => e.textContent));
  const rank = (s) => [s === 'f1' ? 0 : s.startsWith('f1') ? 1 : 2, s.length, s];
  const want = g.nodes.map((v) => v.name).filter((s) => s.includes('f1')).sort((a, b) => {
    const [x, y] = [rank(a), rank(b)];
    return x[0] - y[0] || x[1] - y[1] || (x[2] < y[2] ? -1 : 1);
  });
  assert.deepEqual(got, want.slice(0, 50));
});

test('--link makes file:line a link', async (t) => {
  const page = await open(pageOf('link', [corpus, '--link=https://src.example/%f#L%l']) + '#fact', t);
  assert.equal(await page.$eval('#details a', (a) => a.getAttribute('href')), 'https://src.example/recursion.c#L8');
  assert.equal(await page.$eval('#details a', (a) => a.textContent), 'recursion.c:8');
});

test('--focus, --callers and --callees pick the first view', async (t) => {
  const g = plain();
  const page = await open(pageOf('focus', [corpus, '-F', 'is_even', '-u', '2', '-d', '1']), t);
  const d = await drawn(page);
  assertNeighbourhood(g, d, idOf(g, 'is_even'), 2, 1);
  assert.equal(d.hash, '#is_even');
});

test('hostile names show as text and never run', async (t) => {
  const g = graphOf([hostile]);
  const page = await open(pageOf('hostile', [hostile]), t);
  const d = await drawn(page);
  assertNeighbourhood(g, d, idOf(g, 'main'), 1, 2);
  const byId = new Map(d.nodes.map((x) => [x.id, x.label]));
  for (const [id, label] of byId) assert.equal(label, g.nodes[id].name);
  assert.ok(byId.has(idOf(g, '</script><b>x')));
  assert.equal(await page.$$eval('b, img, style, svg', (l) => l.length), 2, 'only the page\'s own style and svg');
  assert.equal(await page.$eval('#graph', (e) => getComputedStyle(e).display), 'block');
  // Every function by its link, the two static helpers apart.
  const links = new Map();
  links.set(d.centre, await page.evaluate(() => location.href));
  for (const { id } of d.nodes) {
    if (id === d.centre) continue;
    await redraw(page, () => page.click(`#graph .node[data-id="${id}"]`));
    links.set(id, await page.evaluate(() => location.href));
    assert.equal(await page.$eval('#details h2', (e) => e.textContent), g.nodes[id].name);
    await redraw(page, () => page.evaluate(() => history.back()));
  }
  assert.equal(links.size, g.nodes.length);
  assert.equal(new Set(links.values()).size, links.size, 'one link per function');
  for (const [id, link] of links) {
    const other = await open(link, t);
    assert.equal((await drawn(other)).centre, id, g.nodes[id].name);
  }
  // Search finds them as typed.
  await page.keyboard.press('/');
  await page.keyboard.type('<!--');
  const names = await page.$$eval('#results li[role=option] .name', (l) => l.map((e) => e.textContent));
  assert.deepEqual(names, ['<!--']);
  assert.equal(await page.$eval('#details h2', (e) => e.textContent), 'main');
});

test('an empty listing gives a page that says so, one function counts as one', async (t) => {
  const empty = path.join(work, 'empty.cflow');
  fs.writeFileSync(empty, '');
  const page = await open(pageOf('empty', [empty]), t);
  assert.equal(await page.$eval('#graph', (e) => e.textContent), 'The listing holds no function.');
  await page.keyboard.press('/');
  await page.keyboard.type('x');
  assert.equal(await page.$eval('#results', (e) => e.textContent), 'no function matches');
  const one = path.join(work, 'one.cflow');
  fs.writeFileSync(one, '1\tmain: int (void), <a.c 1>\n2\t\tmain: 1\n');
  const single = await open(pageOf('one', [one]), t);
  assert.match(await single.$eval('#status', (e) => e.textContent),
    /^1 function, 1 call drawn \(callers 1, callees 2\); 1 function and 1 call in the graph\./);
});

test('a view beyond 200 functions is cut at the depth where it fits, and marked', async (t) => {
  // main -> hub -> 300 leaves; main -> a chain of 4; 250 callers of hub's first leaf.
  let lines = ['1\tmain: int (void), <m.c 1>', '2\t\thub: void (void), <m.c 2>'];
  for (let i = 0; i < 300; i++) lines.push(`${lines.length + 1}\t\t\tleaf${i}: void (void), <l.c ${i + 10}>`);
  for (let i = 0; i < 4; i++) lines.push(`${lines.length + 1}${'\t'.repeat(i + 2)}chain${i}: void (void), <c.c ${i + 1}>`);
  for (let i = 0; i < 250; i++) {
    lines.push(`${lines.length + 1}\tcaller${i}: void (void), <k.c ${i + 1}>`);
    lines.push(`${lines.length + 1}\t\tleaf0: 3`);
  }
  const listing = path.join(work, 'big.cflow');
  fs.writeFileSync(listing, lines.join('\n') + '\n');
  const g = graphOf([listing]);
  const page = await open(pageOf('big', [listing], { fold: 0 }), t);
  let d = await drawn(page);
  // main: callees 2 would be 306 functions; 1 level fits.
  assert.ok(d.cut);
  assert.equal(d.callees, 1);
  assertNeighbourhood(g, d, idOf(g, 'main'), 1, 1);
  assert.deepEqual(d.nodes.filter((x) => x.cut).map((x) => g.nodes[x.id].name).sort(), ['chain0', 'hub']);
  // hub: 300 callees even at depth 1: the first ones drawn, the rest counted.
  d = await redraw(page, () => page.click(`#graph .node[data-id="${idOf(g, 'hub')}"]`));
  assert.ok(d.cut && d.nodes.length <= 200 && d.nodes.length >= 150);
  assert.ok(d.nodes.find((x) => x.id === idOf(g, 'hub')).cut);
  assert.match(await page.$eval('#graph .more-note', (e) => e.textContent), /^\+\d+ more not drawn$/);
  // A small view is not cut.
  d = await redraw(page, () => page.evaluate(() => (location.hash = '#chain0')));
  assert.ok(!d.cut && d.nodes.every((x) => !x.cut));
  assertNeighbourhood(g, d, idOf(g, 'chain0'), 1, 2);
});

// A listing from a list of calls "caller callee", each function defined
// in f.c, its later lines pointing back to its first.
function listingOf(name, calls) {
  const lines = [], first = new Map();
  const line = (f, indent) => {
    const at = lines.length + 1;
    lines.push(`${at}${indent}${f}: ` + (first.has(f) ? first.get(f) : `void (void), <f.c ${at}>`));
    if (!first.has(f)) first.set(f, at);
  };
  for (const [a, b] of calls.map((c) => c.split(' '))) {
    line(a, '\t');
    line(b, '\t\t');
  }
  const file = path.join(work, name + '.cflow');
  fs.writeFileSync(file, lines.join('\n') + '\n');
  return file;
}

const folds = (page) =>
  page.$$eval('#graph .fold', (l) => l.map((e) => [Number(e.dataset.of), e.dataset.side, Number(e.dataset.more), e.querySelector('text').textContent]));

test('hubs are folded to their first 12 callers and callees; a click unfolds them', async (t) => {
  // main -> hub; hub -> 30 leaves, leaf i calling i % 4 of sub0..sub2; 15 callers of hub.
  const calls = ['main hub'];
  for (let i = 0; i < 30; i++) {
    calls.push(`hub leaf${i}`);
    for (let k = 0; k < i % 4; k++) calls.push(`leaf${i} sub${k}`);
  }
  for (let i = 0; i < 14; i++) calls.push(`caller${i} hub`);
  const listing = listingOf('hub', calls);
  const g = graphOf([listing]);
  const hub = idOf(g, 'hub');
  const outDeg = (v) => g.edges.filter((e) => e.source === v).length;
  // The first twelve: the most calls of their own first, then in the listing's order.
  const firstOf = (ends) => ends.map((v, i) => [v, i]).sort((a, b) => outDeg(b[0]) - outDeg(a[0]) || a[1] - b[1])
    .slice(0, 12).map((x) => x[0]);
  const callees = firstOf(g.edges.filter((e) => e.source === hub).map((e) => e.target));
  const callers = firstOf(g.edges.filter((e) => e.target === hub).map((e) => e.source));
  assert.ok(callees.slice(0, 7).every((v) => outDeg(v) === 3), 'the busiest first');
  const folded = (keepCallees, keepCallers) => ({
    nodes: g.nodes,
    edges: g.edges.filter((e) => (e.source !== hub || !keepCallees || keepCallees.includes(e.target)) &&
      (e.target !== hub || !keepCallers || keepCallers.includes(e.source))),
  });
  const page = await open(pageOf('hub', [listing]) + '#main', t);
  // From main the hub is a callee, folded one level on.
  let d = await drawn(page);
  assertNeighbourhood(folded(callees, callers), d, idOf(g, 'main'), 1, 2);
  assert.deepEqual(await folds(page), [[hub, 'callees', 18, '+18 more callees']]);
  d = await redraw(page, () => page.click(`#graph .node[data-id="${hub}"]`));
  assertNeighbourhood(folded(callees, callers), d, hub, 1, 2);
  assert.deepEqual((await folds(page)).sort(), [[hub, 'callees', 18, '+18 more callees'], [hub, 'callers', 3, '+3 more callers']]);
  // Unfolding draws them all, in place: the centre and the link stay.
  const hash = d.hash;
  d = await redraw(page, () => page.click('#graph .fold[data-side="callees"]'));
  assertNeighbourhood(folded(null, callers), d, hub, 1, 2);
  d = await redraw(page, async () => {
    await page.$eval('#graph .fold[data-side="callers"]', (e) => e.focus());
    await page.keyboard.press('Enter');
  });
  assertNeighbourhood(g, d, hub, 1, 2);
  assert.deepEqual(await folds(page), []);
  assert.equal(d.hash, hash);
  // A new centre folds again; the page's data may set another threshold.
  d = await redraw(page, () => page.click(`#graph .node[data-id="${idOf(g, 'main')}"]`));
  assert.equal((await folds(page)).length, 1);
  const five = await open(pageOf('hub5', [listing], { fold: 5 }) + '#hub', t);
  assert.deepEqual((await folds(five)).map((f) => f[2]).sort(), [10, 25]);
});

// The paths between a and b as the explorer must draw them, given the
// length it chose each way (-1: none): every function v with
// dist(a, v) + dist(v, b) <= length, a -> b on the right, b -> a on the left.
function pathsOf(g, a, b, lengths) {
  const bfs = (from, forward) => {
    const dist = new Map([[from, 0]]), queue = [from];
    for (let i = 0; i < queue.length; i++)
      for (const e of g.edges) {
        const [x, y] = forward ? [e.source, e.target] : [e.target, e.source];
        if (x === queue[i] && !dist.has(y)) {
          dist.set(y, dist.get(x) + 1);
          queue.push(y);
        }
      }
    return dist;
  };
  const col = new Map([[a, 0]]), edges = new Set(), shortest = [];
  [[a, b], [b, a]].forEach(([x, y], way) => {
    const from = bfs(x, true), to = bfs(y, false), len = lengths[way];
    shortest.push(from.has(y) ? from.get(y) : -1);
    if (len < 0) return;
    const on = (v) => from.has(v) && to.has(v) && from.get(v) + to.get(v) <= len;
    for (const v of from.keys()) if (on(v) && !col.has(v)) col.set(v, way ? -to.get(v) : from.get(v));
    for (const e of g.edges)
      if (on(e.source) && on(e.target) && from.get(e.source) + 1 + to.get(e.target) <= len) edges.add(e.source + '>' + e.target);
  });
  if (!col.has(b)) col.set(b, 1);
  return { col, edges, shortest };
}

async function assertPaths(page, g, a, b) {
  const d = await drawn(page);
  const lengths = (await page.$eval('#graph', (e) => e.dataset.paths)).split(' ').map(Number);
  const want = pathsOf(g, a, b, lengths);
  const what = `paths between ${g.nodes[a].name} and ${g.nodes[b].name}`;
  want.shortest.forEach((s, i) => assert.ok(s < 0 ? lengths[i] === -1 : lengths[i] >= s && lengths[i] <= s + 2, what));
  assert.equal(d.centre, a);
  assert.equal(await page.$eval('#graph', (e) => Number(e.dataset.target)), b);
  assert.deepEqual(new Map(d.nodes.map((x) => [x.id, x.col])), new Map([...want.col].sort((x, y) => x[0] - y[0])), what);
  assert.deepEqual(d.edges.sort(), [...want.edges].sort(), what);
  return d;
}

test('paths between the centre and a function, either way, in the link and the history', async (t) => {
  const g = plain();
  const url = pageOf('plain', [corpus]);
  const page = await open(url, t);
  const pathTo = (name) =>
    redraw(page, async () => {
      await page.click('#path-to');
      await page.keyboard.type(name);
      await page.keyboard.press('Enter');
    });
  // Through the box: main reaches printf in 2 calls and in 36.
  let d = await pathTo('printf');
  await assertPaths(page, g, idOf(g, 'main'), idOf(g, 'printf'));
  assert.equal(d.hash, '#main&to=printf');
  assert.equal(await page.$eval('#path-to', (e) => e.value), 'printf');
  assert.equal(await page.$eval('#callers', (e) => e.disabled), true);
  // A click keeps the target; the paths may run the other way, or both.
  d = await redraw(page, () => page.click(`#graph .node[data-id="${idOf(g, 'report')}"]`));
  await assertPaths(page, g, idOf(g, 'report'), idOf(g, 'printf'));
  for (const [a, b] of [['trace', 'main'], ['is_odd', 'is_even'], ['descend_10', 'printf'], ['fact', 'fact']]) {
    d = await redraw(page, () => page.evaluate((h) => (location.hash = h), `#${a}&to=${b}`));
    if (a === b) assertNeighbourhood(g, d, idOf(g, a), 1, 2);
    else await assertPaths(page, g, idOf(g, a), idOf(g, b));
  }
  // None: the two alone, and a message.
  d = await redraw(page, () => page.evaluate(() => (location.hash = '#printf&to=exit')));
  await assertPaths(page, g, idOf(g, 'printf'), idOf(g, 'exit'));
  assert.equal(d.nodes.length, 2);
  assert.match(await page.$eval('#status', (e) => e.textContent), /No call path between printf and exit, either way\./);
  // Back and Forward, a link, and back to the neighbourhood.
  d = await redraw(page, () => page.evaluate(() => history.back()));
  assertNeighbourhood(g, d, idOf(g, 'fact'), 1, 2);
  d = await redraw(page, () => page.evaluate(() => history.back()));
  await assertPaths(page, g, idOf(g, 'descend_10'), idOf(g, 'printf'));
  d = await redraw(page, () => page.evaluate(() => history.forward()));
  assertNeighbourhood(g, d, idOf(g, 'fact'), 1, 2);
  const again = await open(url + '#trace&to=main', t);
  await assertPaths(again, g, idOf(g, 'trace'), idOf(g, 'main'));
  d = await redraw(again, () => again.click('#path-clear'));
  assertNeighbourhood(g, d, idOf(g, 'trace'), 1, 2);
  assert.equal(d.hash, '#trace');
  assert.equal(await again.$eval('#path-to', (e) => e.value), '');
  // A call back along the path is on no path of the lengths drawn.
  const loop = listingOf('loop', ['a b', 'b c', 'c d', 'd e', 'e f', 'f b']);
  const lg = graphOf([loop]);
  await assertPaths(await open(pageOf('loop', [loop]) + '#a&to=f', t), lg, idOf(lg, 'a'), idOf(lg, 'f'));
});

test('paths beyond 200 functions: whole shortest paths until the drawing is full', async (t) => {
  const calls = [];
  for (let i = 0; i < 250; i++) calls.push(`main mid${i}`, `mid${i} end`);
  const listing = listingOf('wide', calls);
  const g = graphOf([listing]);
  const page = await open(pageOf('wide', [listing]) + '#main&to=end', t);
  const d = await drawn(page);
  assert.equal(d.nodes.length, 200);
  const edges = new Set(d.edges);
  for (const { id } of d.nodes)
    if (g.nodes[id].name.startsWith('mid'))
      assert.ok(edges.has(`${idOf(g, 'main')}>${id}`) && edges.has(`${id}>${idOf(g, 'end')}`), g.nodes[id].name);
  assert.match(await page.$eval('#status', (e) => e.textContent), /Cut: 52 functions on the shortest paths not drawn/);
});

const geometry = (page) =>
  page.evaluate(() => {
    const svg = document.getElementById('graph');
    const box = (e) => {
      const r = e.getBoundingClientRect();
      return { x: r.x, y: r.y, w: r.width, h: r.height, cx: r.x + r.width / 2, cy: r.y + r.height / 2 };
    };
    return {
      scale: Number(svg.dataset.scale), fit: svg.hasAttribute('data-fit'), renders: Number(svg.dataset.renders),
      pane: box(document.getElementById('canvas')), drawing: box(svg.querySelector('.stage')), hash: location.hash,
      nodes: Object.fromEntries([...svg.querySelectorAll('.node')].map((g) => [g.dataset.id, box(g.querySelector('rect'))])),
    };
  });

function assertInside(g, what) {
  const { pane: p, drawing: d } = g;
  assert.ok(d.x >= p.x - 1 && d.y >= p.y - 1 && d.x + d.w <= p.x + p.w + 1 && d.y + d.h <= p.y + p.h + 1, what);
}
const near = (a, b, what) => assert.ok(Math.abs(a - b) < 1.5, `${what}: ${a} against ${b}`);

test('the drawing fits its pane, zooms, pans, and keeps its zoom across refocus', async (t) => {
  const g = plain();
  const page = await open(pageOf('plain', [corpus]) + '#descend_05&callers=4&callees=5', t, { width: 900, height: 600 });
  // Ten columns: larger than the pane, scaled down whole.
  let a = await geometry(page);
  assert.ok(a.fit && a.scale < 1, `scale ${a.scale}`);
  assertInside(a, 'fitted');
  near(a.drawing.cx, a.pane.cx, 'centred');
  // + and - about the middle of the pane; the wheel about the pointer.
  await page.keyboard.press('+');
  let b = await geometry(page);
  near(b.scale * 100, a.scale * 125, '+');
  assert.ok(!b.fit);
  await page.keyboard.press('-');
  near((await geometry(page)).scale * 100, a.scale * 100, '-');
  const id = String(idOf(g, 'descend_03'));
  const at = (await geometry(page)).nodes[id];
  await page.mouse.move(at.cx, at.cy);
  await page.mouse.wheel({ deltaY: -300 });
  await page.waitForFunction((s) => Number(document.getElementById('graph').dataset.scale) > s, {}, a.scale);
  b = await geometry(page);
  near(b.nodes[id].cx, at.cx, 'the wheel keeps the point under the pointer');
  near(b.nodes[id].cy, at.cy, 'the wheel keeps the point under the pointer');
  // A drag pans, even one that starts on a function, and does not refocus.
  await page.mouse.down();
  await page.mouse.move(at.cx + 30, at.cy + 10);
  await page.mouse.move(at.cx + 60, at.cy - 40);
  await page.mouse.up();
  const c = await geometry(page);
  near(c.nodes[id].cx, at.cx + 60, 'panned');
  near(c.nodes[id].cy, at.cy - 40, 'panned');
  assert.deepEqual([c.renders, c.hash, c.scale], [b.renders, b.hash, b.scale]);
  // A click refocuses at the same zoom, the new centre in the middle.
  const to = String(idOf(g, 'descend_04'));
  assert.ok(c.nodes[to].x > c.pane.x && c.nodes[to].x + c.nodes[to].w < c.pane.x + c.pane.w, 'in sight');
  await redraw(page, () => page.click(`#graph .node[data-id="${to}"]`));
  let d = await geometry(page);
  assert.equal(d.scale, b.scale);
  near(d.nodes[to].cx, d.pane.cx, 'the centre in the middle');
  // 0 fits again, and later drawings fit too.
  await page.keyboard.press('0');
  d = await geometry(page);
  assert.ok(d.fit && d.scale < 1);
  assertInside(d, 'fitted again');
  await redraw(page, () => page.evaluate(() => (location.hash = '#descend_20&callers=5&callees=5')));
  assertInside(await geometry(page), 'a new drawing fitted');
  // The full name on hover, however short the label.
  const long = 'entry_matches_name_and_kind_ignoring_flags_for_the_moment';
  await redraw(page, () => page.evaluate((h) => (location.hash = h), '#' + long));
  const [label, title] = await page.$eval(`#graph .node[data-id="${idOf(g, long)}"]`,
    (e) => [e.querySelector('text').textContent, e.querySelector('title').textContent]);
  assert.ok(label.endsWith('\u2026') && label.length < long.length, label);
  assert.equal(title.split('\n')[0], long);
  // Never beyond 1:1.
  const small = await open(pageOf('plain', [corpus]) + '#printf', t, { width: 900, height: 600 });
  assert.equal((await geometry(small)).scale, 1);
});

test('the page holds no way out: no external reference, the data cannot end its script', async () => {
  // The assets are pasted into the page: none may end or comment out its element.
  for (const f of ['explorer.css', 'explorer.js']) {
    const text = fs.readFileSync(path.join(SRC, 'view/html', f), 'utf8');
    assert.doesNotMatch(text, /<\/(script|style)|<!--|@DATA@|\/\*@(STYLE|SCRIPT)@\*\//i, f);
  }
  const html = view(['-T', 'html', hostile]).toString('latin1');
  assert.doesNotMatch(html, /\b(src|href)\s*=\s*["']?(https?:|\/\/)/i);
  assert.doesNotMatch(html, /@import|url\(\s*["']?(https?:|\/\/)/i);
  const scripts = html.match(/<script\b/gi).length;
  assert.equal(scripts, 2, 'the data and the viewer, nothing the listing added');
  const data = html.match(/<script type="application\/json" id="tanglet-data">([^]*?)<\/script>/)[1];
  assert.ok(!data.includes('<'));
  assert.deepEqual(JSON.parse(Buffer.from(data, 'latin1').toString('utf8')).names,
    graphOf([hostile]).nodes.map((v) => v.name));
});

test('the policy runs the page\'s own script alone: injected handlers and scripts are blocked', async (t) => {
  const html = view(['-T', 'html', corpus]).toString('utf8');
  const policy = /http-equiv="Content-Security-Policy" content="([^"]*)"/.exec(html)[1];
  const own = /<script>([^]*?)<\/script>/.exec(html)[1];
  const hash = crypto.createHash('sha256').update(own, 'utf8').digest('base64');
  assert.ok(policy.split(/; */).includes(`script-src 'sha256-${hash}'`), policy);
  // The same page with what a markup injection could add.
  const file = path.join(work, 'injected.html');
  fs.writeFileSync(file, html.replace('<body>', '<body><img src="data:," onerror="window.x=1">' +
    '<button id="evil" onclick="window.x=2">x</button><svg onload="window.x=3"></svg><script>window.x=4</script>'));
  const page = await load('file://' + file, t, { policy: true });
  await page.waitForSelector('#graph[data-renders]'); // its own script ran
  await page.click('#evil');
  assert.equal(await page.evaluate(() => window.x), undefined);
  const refused = (what) => page.violations.filter((m) => m.includes(what)).length;
  assert.equal(refused('inline event handler'), 3, page.violations.join('\n'));
  assert.equal(refused('inline script'), 1, page.violations.join('\n'));
});

// ---- --link in every format, drawn for real: no link may run a script
// or leave its attribute, whatever the file names.
const linkCases = [
  { file: 'javascript:window.x=12//x.c', link: '%f', hrefs: Array(2).fill('javascript%3Awindow.x%3D12//x.c') },
  { file: 'x"onmouseover="window.x=13".c', link: 'https://example.org/src/%f#L%l',
    hrefs: [3, 9].map((l) => 'https://example.org/src/x%22onmouseover%3D%22window.x%3D13%22.c#L' + l) },
  { file: 'javascript', link: '%f:window.x=14//%l', hrefs: [] },
];
const mermaidJs = path.join(SRC, 'tests/browser/node_modules/mermaid/dist/mermaid.min.js');
const graphviz = ['/usr/bin/dot', '/usr/local/bin/dot'].find((f) => fs.existsSync(f));

// Hovers and clicks every box, then gives every link the page holds
// (Graphviz puts a tooltip in an <a> without one).
async function poke(page, selector) {
  const boxes = await page.$$(selector);
  assert.ok(boxes.length > 0, 'nothing drawn');
  for (const b of boxes) {
    await b.hover();
    await b.click();
  }
  await page.evaluate(() => new Promise((r) => setTimeout(r, 100))); // javascript: URLs run as a task
  assert.equal(await page.evaluate(() => window.x), undefined, 'a script ran');
  assert.equal(await page.$$eval('*', (l) => l.filter((e) => [...e.attributes].some((a) => /^on/i.test(a.name))).length), 0);
  const links = await page.$$eval('a', (l) => l.map((a) =>
    a.getAttribute('href') ?? a.getAttributeNS('http://www.w3.org/1999/xlink', 'href')).filter((u) => u !== null));
  const base = await page.evaluate(() => location.href);
  for (const u of [...links, ...page.navigations])
    assert.ok(['http:', 'https:', 'file:'].includes(new URL(u, base).protocol), u);
  return links;
}

// A page that loads Mermaid from the browser tests' node_modules.
function mermaidPage() {
  const file = path.join(work, 'mermaid.html');
  fs.writeFileSync(file, `<!DOCTYPE html><html><body><div id="out"></div><script src="${'file://' + mermaidJs}"></script></body></html>`);
  return file;
}

function listingFor(c, i) {
  const file = path.join(work, `link${i}.cflow`);
  fs.writeFileSync(file, `1\tmain: int (void), <${c.file} 3>\n2\t\tf: void (void), <${c.file} 9>\n`);
  return file;
}

test('--link through Graphviz: the SVG alone and inlined in a page', { skip: !graphviz && 'no Graphviz' }, async (t) => {
  for (const [i, c] of linkCases.entries()) {
    const svg = execFileSync(graphviz, ['-Tsvg'], { input: view(['--link=' + c.link, listingFor(c, i)]) }).toString('utf8');
    const alone = path.join(work, `link${i}.svg`), inline = path.join(work, `link${i}.html`);
    fs.writeFileSync(alone, svg);
    fs.writeFileSync(inline, '<!DOCTYPE html><html><body>' + svg.slice(svg.indexOf('<svg')) + '</body></html>');
    assert.deepEqual((await poke(await load('file://' + inline, t), 'g.node')).sort(), c.hrefs);
    const page = await load('file://' + alone, t);
    assert.equal(await page.evaluate(() => document.documentElement.localName + document.querySelectorAll('parsererror').length), 'svg0');
    assert.deepEqual((await poke(page, 'g.node')).sort(), c.hrefs);
  }
});

test('hostile names through Graphviz: the SVG alone and inlined, a box for each', { skip: !graphviz && 'no Graphviz' }, async (t) => {
  const n = graphOf([hostile]).nodes.length;
  const svg = execFileSync(graphviz, ['-Tsvg'], { input: view(['--labels=full', '--max-nodes=0', hostile]) }).toString('utf8');
  const alone = path.join(work, 'hostile.svg'), inline = path.join(work, 'hostile-svg.html');
  fs.writeFileSync(alone, svg);
  fs.writeFileSync(inline, '<!DOCTYPE html><html><body>' + svg.slice(svg.indexOf('<svg')) + '</body></html>');
  const page = await load('file://' + alone, t);
  assert.equal(await page.evaluate(() => document.documentElement.localName + document.querySelectorAll('parsererror').length), 'svg0');
  assert.equal((await page.$$('g.node')).length, n);
  await poke(page, 'g.node');
  const html = await load('file://' + inline, t);
  assert.equal(await html.$$eval('b, img, style, script', (l) => l.length), 0);
  await poke(html, 'g.node');
});

test('--link through Mermaid, drawn with its least strict security level', { skip: !fs.existsSync(mermaidJs) && 'no mermaid' }, async (t) => {
  const file = mermaidPage();
  for (const [i, c] of linkCases.entries()) {
    const page = await load('file://' + file, t, { allow: (u) => u === 'file://' + mermaidJs });
    await page.evaluate(async (text) => {
      mermaid.initialize({ startOnLoad: false, securityLevel: 'loose' });
      const { svg, bindFunctions } = await mermaid.render('drawn', text);
      const out = document.getElementById('out');
      out.innerHTML = svg;
      if (bindFunctions) bindFunctions(out);
    }, view(['-T', 'mermaid', '--link=' + c.link, listingFor(c, i)]).toString('utf8'));
    assert.deepEqual((await poke(page, 'g.node')).sort(), c.hrefs);
  }
});

test('--link in the explorer: each function\'s link in its details', async (t) => {
  for (const [i, c] of linkCases.entries()) {
    const page = await open(pageOf(`link${i}`, ['--link=' + c.link, listingFor(c, i)]), t);
    const links = await poke(page, '#details h2');
    await redraw(page, () => page.evaluate(() => (location.hash = '#f')));
    links.push(...(await poke(page, '#details h2')));
    assert.deepEqual(links.sort(), c.hrefs);
  }
});

test('hostile names through Mermaid: drawn without error, a box for each', { skip: !fs.existsSync(mermaidJs) && 'no mermaid' }, async (t) => {
  const file = mermaidPage();
  const n = graphOf([hostile]).nodes.length;
  for (const level of ['strict', 'loose']) {
    const page = await load('file://' + file, t, { allow: (u) => u === 'file://' + mermaidJs });
    await page.evaluate(async (text, level) => {
      mermaid.initialize({ startOnLoad: false, securityLevel: level });
      document.getElementById('out').innerHTML = (await mermaid.render('drawn', text)).svg;
    }, view(['-T', 'mermaid', '--labels=full', '--max-nodes=0', hostile]).toString('utf8'), level);
    assert.equal((await page.$$('#out g.node')).length, n, level);
    assert.equal(await page.$$eval('#out b, #out img, #out script', (l) => l.length), 0, level);
    await poke(page, '#out g.node');
  }
});
