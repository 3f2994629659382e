// The call-graph explorer that tanglet-view -T html embeds in its page.
// Everything the listing names is untrusted: it reaches the page only as text
// nodes, attribute values set through the DOM, or a URL checked for its scheme.
//
// The URL fragment is the view: #NAME (NAME@FILE:LINE where two functions share
// a name), then &callers=N, &callees=N, &defined, &files where they differ from
// the page's first view. The drawing can be read back, as the browser tests do,
// from #graph[data-centre data-callers data-callees data-nodes data-renders
// data-cut], .node[data-id data-col data-cut] and .edge[data-source data-target].
'use strict';
(function () {
  const SVG = 'http://www.w3.org/2000/svg';
  const MAX_NODES = 200; // beyond this a neighbourhood stops being readable
  const MAX_DEPTH = 5;
  const MAX_RESULTS = 50;
  const MAX_LIST = 100; // callers/callees listed in the details panel
  const NODE_H = 26, ROW_GAP = 10, COL_GAP = 90, PAD = 24, LABEL_MAX = 300, LABEL_PAD = 12;
  const SWEEPS = 4;

  const $ = (id) => document.getElementById(id);
  const svg = $('graph');
  const status = $('status');

  function el(tag, attrs, text) {
    const e = document.createElement(tag);
    if (attrs) for (const k in attrs) e.setAttribute(k, attrs[k]);
    if (text !== undefined) e.appendChild(document.createTextNode(text));
    return e;
  }
  function sel(tag, attrs) {
    const e = document.createElementNS(SVG, tag);
    if (attrs) for (const k in attrs) e.setAttribute(k, attrs[k]);
    return e;
  }
  function clear(e) {
    while (e.firstChild) e.removeChild(e.firstChild);
  }

  // ---- the graph, as compressed adjacency lists
  let data;
  try {
    data = JSON.parse($('tanglet-data').textContent);
  } catch (err) {
    status.textContent = 'The graph data of this page cannot be read: ' + err.message;
    return;
  }
  const nodes = data.nodes || [];
  const edges = data.edges || [];
  const n = nodes.length;
  const outStart = new Int32Array(n + 1), inStart = new Int32Array(n + 1);
  const outList = new Int32Array(edges.length), inList = new Int32Array(edges.length);
  for (const e of edges) {
    outStart[e.source + 1]++;
    inStart[e.target + 1]++;
  }
  for (let i = 0; i < n; i++) {
    outStart[i + 1] += outStart[i];
    inStart[i + 1] += inStart[i];
  }
  {
    const o = outStart.slice(0, n), q = inStart.slice(0, n);
    for (const e of edges) {
      outList[o[e.source]++] = e.target;
      inList[q[e.target]++] = e.source;
    }
  }
  const outDeg = (v) => outStart[v + 1] - outStart[v];
  const inDeg = (v) => inStart[v + 1] - inStart[v];
  const where = (v) => (nodes[v].defined ? nodes[v].file + ':' + nodes[v].line : 'no definition');

  // Lone surrogates would make encodeURIComponent throw.
  const wellFormed = (s) => (s.toWellFormed ? s.toWellFormed() : s.replace(/[\ud800-\udfff]/g, '\ufffd'));
  const lower = nodes.map((v) => v.name.toLowerCase());

  // The fragment names a function by its name, or, where two functions share
  // it (static functions in two files), by name@file:line.
  const keys = new Array(n);
  const keyToId = new Map();
  {
    const count = new Map();
    for (const v of nodes) count.set(v.name, (count.get(v.name) || 0) + 1);
    for (let i = 0; i < n; i++) {
      const v = nodes[i];
      let k = count.get(v.name) === 1 ? v.name : v.name + '@' + (v.defined ? v.file + ':' + v.line : '');
      k = wellFormed(k);
      // An empty name would give an empty fragment, which names nothing.
      if (k === '' || keyToId.has(k)) k += '@' + i;
      keys[i] = k;
      keyToId.set(k, i);
    }
  }

  // Colours by file: stable for the page, whatever the view.
  const fileIndex = new Map();
  {
    const files = [];
    for (const v of nodes) if (v.defined && !fileIndex.has(v.file)) fileIndex.set(v.file, files.push(v.file) - 1);
  }
  // Hues a golden angle apart, three lightnesses, so that neighbours in the
  // file list differ even when there are many files.
  const fileFill = (f) => {
    const i = fileIndex.get(f);
    return 'hsl(' + ((i * 137.508) % 360).toFixed(1) + ' 62% ' + [84, 74, 90][i % 3] + '%)';
  };

  const clampDepth = (x, dflt) => {
    x = Number(x);
    return Number.isInteger(x) ? Math.min(MAX_DEPTH, Math.max(1, x)) : dflt;
  };
  const defaults = {
    up: clampDepth(data.callers, 1),
    down: clampDepth(data.callees, 2),
    hideUndef: false,
    byFile: false,
  };

  function startNode() {
    for (let i = 0; i < n; i++) if (nodes[i].focus) return i;
    for (let i = 0; i < n; i++) if (nodes[i].name === 'main') return i;
    let best = 0;
    for (let i = 1; i < n; i++) if (outDeg(i) > outDeg(best)) best = i;
    return best;
  }

  // ---- the state and the URL fragment
  const state = Object.assign({ centre: startNode() }, defaults);

  function fragment(s) {
    let f = '#' + encodeURIComponent(keys[s.centre]);
    if (s.up !== defaults.up) f += '&callers=' + s.up;
    if (s.down !== defaults.down) f += '&callees=' + s.down;
    if (s.hideUndef) f += '&defined';
    if (s.byFile) f += '&files';
    return f;
  }

  function parseFragment(hash) {
    if (!hash || hash.length < 2) return null;
    const parts = hash.slice(1).split('&');
    let key;
    try {
      key = decodeURIComponent(parts[0]);
    } catch (err) {
      return null;
    }
    const id = keyToId.get(key);
    if (id === undefined) return null;
    const s = Object.assign({}, defaults, { centre: id });
    for (const p of parts.slice(1)) {
      const [k, v] = p.split('=');
      if (k === 'callers') s.up = clampDepth(v, defaults.up);
      else if (k === 'callees') s.down = clampDepth(v, defaults.down);
      else if (k === 'defined') s.hideUndef = true;
      else if (k === 'files') s.byFile = true;
    }
    return s;
  }

  // ---- the neighbourhood: breadth-first both ways, cut to MAX_NODES
  const distF = new Int16Array(n), distB = new Int16Array(n);

  function bfs(centre, depth, start, list, dist, hidden) {
    const levels = [[centre]];
    dist[centre] = 0;
    for (let d = 1; d <= depth; d++) {
      const next = [];
      for (const v of levels[d - 1])
        for (let j = start[v]; j < start[v + 1]; j++) {
          const w = list[j];
          if (dist[w] < 0 && !(hidden && !nodes[w].defined)) {
            dist[w] = d;
            next.push(w);
          }
        }
      if (!next.length) break;
      levels.push(next);
    }
    return levels;
  }

  function neighbourhood(s) {
    distF.fill(-1);
    distB.fill(-1);
    const c = s.centre;
    const fw = bfs(c, s.down, outStart, outList, distF, s.hideUndef);
    const bw = bfs(c, s.up, inStart, inList, distB, s.hideUndef);
    const reachF = fw.length - 1, reachB = bw.length - 1;
    const seen = [];
    for (const l of fw) for (const v of l) seen.push(v);
    for (const l of bw) for (const v of l) if (distF[v] < 0) seen.push(v);
    const size = (u, d) => {
      let k = 0;
      for (const v of seen) if ((distF[v] >= 0 && distF[v] <= d) || (distB[v] >= 0 && distB[v] <= u)) k++;
      return k;
    };
    // Cut at the depths where the view fits, the deeper side first.
    let u = s.up, d = s.down;
    let total = size(u, d);
    const wanted = total;
    while (total > MAX_NODES && (u > 1 || d > 1)) {
      if (d > reachF) d = reachF;
      else if (u > reachB) u = reachB;
      else if (d >= u && d > 1) d--;
      else u--;
      total = size(u, d);
    }
    const inView = (v) => (distF[v] >= 0 && distF[v] <= d) || (distB[v] >= 0 && distB[v] <= u);
    const view = new Set();
    const cut = new Set();
    const omitted = { callers: 0, callees: 0 };
    if (total > MAX_NODES) {
      // A hub: even one level each way is too much; draw the first ones.
      u = Math.min(s.up, 1);
      d = Math.min(s.down, 1);
      view.add(c);
      cut.add(c);
      const f1 = fw[1] || [], b1 = (bw[1] || []).filter((v) => distF[v] !== 1);
      const room = MAX_NODES - 1;
      const nb = Math.min(b1.length, Math.max(room - f1.length, Math.floor(room / 3)));
      const nf = Math.min(f1.length, room - nb);
      for (let i = 0; i < nf; i++) view.add(f1[i]);
      for (let i = 0; i < nb; i++) view.add(b1[i]);
      omitted.callees = f1.length - nf;
      omitted.callers = b1.length - nb;
    } else {
      for (const v of seen) if (inView(v)) view.add(v);
      // Marked: the nodes whose calls (or callers) the cut left out.
      if (d < reachF) for (const v of fw[d]) if (hasVisible(v, outStart, outList, s.hideUndef)) cut.add(v);
      if (u < reachB) for (const v of bw[u]) if (hasVisible(v, inStart, inList, s.hideUndef)) cut.add(v);
    }
    // The calls the walk followed: out of nodes short of the callee depth,
    // into nodes short of the caller depth.
    const drawn = [];
    const had = new Set();
    const add = (a, b) => {
      const k = a * n + b;
      if (!had.has(k) && view.has(a) && view.has(b)) {
        had.add(k);
        drawn.push([a, b]);
      }
    };
    for (const v of view) {
      if (distF[v] >= 0 && distF[v] < d) for (let j = outStart[v]; j < outStart[v + 1]; j++) add(v, outList[j]);
      if (distB[v] >= 0 && distB[v] < u) for (let j = inStart[v]; j < inStart[v + 1]; j++) add(inList[j], v);
    }
    // Columns: callees at their distance to the right, callers to the left; a
    // function that is both stands on the nearer side, the callees' on a tie.
    const col = new Map();
    for (const v of view) {
      const f = distF[v] >= 0 && distF[v] <= d, b = distB[v] >= 0 && distB[v] <= u;
      col.set(v, f && (!b || distF[v] <= distB[v]) ? distF[v] : -distB[v]);
    }
    const order = [];
    for (const l of fw) for (const v of l) if (view.has(v) && col.get(v) >= 0) order.push(v);
    for (const l of bw) for (const v of l) if (view.has(v) && col.get(v) < 0) order.push(v);
    // A side that was not cut shows the depth asked for, however far it reached.
    const up = u >= reachB ? s.up : u, down = d >= reachF ? s.down : d;
    return { centre: c, order, col, edges: drawn, cut, up, down, wanted, omitted, total: view.size };
  }

  function hasVisible(v, start, list, hidden) {
    for (let j = start[v]; j < start[v + 1]; j++) if (!(hidden && !nodes[list[j]].defined)) return true;
    return false;
  }

  // ---- layout: columns, barycentre sweeps against crossings
  const measure = document.createElement('canvas').getContext('2d');
  const widthCache = new Map();
  function labelWidth(text) {
    let w = widthCache.get(text);
    if (w === undefined) {
      w = measure.measureText(text).width;
      widthCache.set(text, w);
    }
    return w;
  }
  function fitLabel(name) {
    if (labelWidth(name) <= LABEL_MAX) return name;
    const chars = Array.from(name);
    let lo = 0, hi = chars.length;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (labelWidth(chars.slice(0, mid).join('') + '\u2026') <= LABEL_MAX) lo = mid;
      else hi = mid - 1;
    }
    return chars.slice(0, lo).join('') + '\u2026';
  }

  function layout(nb) {
    const cols = new Map();
    for (const v of nb.order) {
      const c = nb.col.get(v);
      if (!cols.has(c)) cols.set(c, []);
      cols.get(c).push(v);
    }
    const keysSorted = [...cols.keys()].sort((a, b) => a - b);
    const pos = new Map();
    const renumber = (list) => list.forEach((v, i) => pos.set(v, i));
    for (const c of keysSorted) renumber(cols.get(c));
    const near = new Map(); // neighbours in the adjacent columns
    for (const v of nb.order) near.set(v, []);
    for (const [a, b] of nb.edges) {
      if (Math.abs(nb.col.get(a) - nb.col.get(b)) !== 1) continue;
      near.get(a).push(b);
      near.get(b).push(a);
    }
    const sweep = (c, towards) => {
      const list = cols.get(c);
      const bary = new Map();
      for (const v of list) {
        let sum = 0, k = 0;
        for (const w of near.get(v))
          if (nb.col.get(w) === towards) {
            sum += pos.get(w);
            k++;
          }
        bary.set(v, k ? sum / k : pos.get(v));
      }
      list.sort((a, b) => bary.get(a) - bary.get(b) || pos.get(a) - pos.get(b));
      renumber(list);
    };
    // Outwards from the centre, then back and forth.
    for (let it = 0; it < SWEEPS; it++) {
      for (const c of keysSorted) if (c > 0) sweep(c, c - 1);
      for (let i = keysSorted.length - 1; i >= 0; i--) if (keysSorted[i] < 0) sweep(keysSorted[i], keysSorted[i] + 1);
      for (let i = keysSorted.length - 1; i >= 0; i--) {
        const c = keysSorted[i];
        if (c > 0 && cols.has(c + 1)) sweep(c, c + 1);
      }
      for (const c of keysSorted) if (c < 0 && cols.has(c - 1)) sweep(c, c - 1);
    }
    const labels = new Map();
    let x = PAD;
    const colX = new Map(), colW = new Map();
    let tallest = 0;
    for (const c of keysSorted) {
      let w = 60;
      for (const v of cols.get(c)) {
        const t = fitLabel(nodes[v].name);
        labels.set(v, t);
        w = Math.max(w, labelWidth(t) + 2 * LABEL_PAD + (nodes[v].recursive ? 14 : 0));
      }
      w = Math.ceil(w);
      colX.set(c, x);
      colW.set(c, w);
      x += w + COL_GAP;
      tallest = Math.max(tallest, cols.get(c).length);
    }
    const height = tallest * (NODE_H + ROW_GAP) - ROW_GAP;
    const box = new Map();
    for (const c of keysSorted) {
      const list = cols.get(c);
      const top = PAD + (height - (list.length * (NODE_H + ROW_GAP) - ROW_GAP)) / 2;
      list.forEach((v, i) => box.set(v, { x: colX.get(c), y: top + i * (NODE_H + ROW_GAP), w: colW.get(c) }));
    }
    return { cols, keysSorted, box, labels, width: x - COL_GAP + PAD, height: height + 2 * PAD + 20 };
  }

  // ---- drawing
  let current = null; // the drawn view, for keyboard moves and highlights
  let renders = 0;

  function safeUrl(u) {
    if (typeof u !== 'string') return null;
    try {
      const p = new URL(u, document.baseURI).protocol;
      return p === 'http:' || p === 'https:' || p === 'file:' ? u : null;
    } catch (err) {
      return null;
    }
  }

  function edgePath(a, b, same) {
    const ya = a.y + NODE_H / 2, yb = b.y + NODE_H / 2;
    if (same) {
      const x = a.x + a.w;
      return 'M' + x + ' ' + (ya - 6) + 'C' + (x + 28) + ' ' + (ya - 26) + ' ' + (x + 28) + ' ' + (ya + 26) + ' ' + x + ' ' + (ya + 6);
    }
    if (b.x > a.x) {
      const x1 = a.x + a.w, x2 = b.x, dx = (x2 - x1) / 2;
      return 'M' + x1 + ' ' + ya + 'C' + (x1 + dx) + ' ' + ya + ' ' + (x2 - dx) + ' ' + yb + ' ' + x2 + ' ' + yb;
    }
    if (b.x === a.x) {
      const x = a.x + a.w, bend = 30 + Math.min(60, Math.abs(yb - ya) / 4);
      return 'M' + x + ' ' + ya + 'C' + (x + bend) + ' ' + ya + ' ' + (x + bend) + ' ' + yb + ' ' + x + ' ' + yb;
    }
    // Against the flow: from the caller's left side to the callee's right side.
    const x1 = a.x, x2 = b.x + b.w;
    return 'M' + x1 + ' ' + ya + 'C' + (x1 - 50) + ' ' + (ya + 30) + ' ' + (x2 + 50) + ' ' + (yb + 30) + ' ' + x2 + ' ' + yb;
  }

  function draw(focusCentre) {
    const t0 = performance.now();
    svg.replaceChildren();
    if (!n) {
      svg.setAttribute('width', 400);
      svg.setAttribute('height', 80);
      const t = sel('text', { x: PAD, y: 40, class: 'empty' });
      t.textContent = 'The listing holds no function.';
      svg.appendChild(t);
      status.textContent = '';
      svg.setAttribute('data-renders', ++renders);
      return;
    }
    const nb = neighbourhood(state);
    const lay = layout(nb);
    svg.setAttribute('width', lay.width);
    svg.setAttribute('height', lay.height);
    svg.setAttribute('viewBox', '0 0 ' + lay.width + ' ' + lay.height);
    const defs = sel('defs');
    for (const k of ['', 'back', 'hl']) {
      const m = sel('marker', {
        id: 'arrow' + k, viewBox: '0 0 10 10', refX: 9, refY: 5, markerWidth: 7, markerHeight: 7,
        orient: 'auto-start-reverse', markerUnits: 'userSpaceOnUse',
      });
      m.appendChild(sel('path', { d: 'M0 0L10 5L0 10z', class: 'arrow ' + k }));
      defs.appendChild(m);
    }
    svg.appendChild(defs);

    const edgeLayer = sel('g', { class: 'edges' });
    const nodeLayer = sel('g', { class: 'nodes' });
    const edgesOf = new Map();
    for (const v of nb.order) edgesOf.set(v, []);
    for (const [a, b] of nb.edges) {
      const ca = nb.col.get(a), cb = nb.col.get(b);
      const back = cb <= ca;
      const p = sel('path', {
        class: back ? 'edge back' : 'edge',
        d: edgePath(lay.box.get(a), lay.box.get(b), a === b),
        'marker-end': back ? 'url(#arrowback)' : 'url(#arrow)',
        'data-source': a,
        'data-target': b,
      });
      edgeLayer.appendChild(p);
      edgesOf.get(a).push(p);
      if (a !== b) edgesOf.get(b).push(p);
    }
    const nodeEls = new Map();
    for (const c of lay.keysSorted) {
      const list = lay.cols.get(c);
      for (const v of list) {
        const node = nodes[v], b = lay.box.get(v);
        let cls = 'node';
        if (!node.defined) cls += ' undefined';
        if (node.recursive) cls += ' recursive';
        if (v === nb.centre) cls += ' centre';
        if (nb.cut.has(v)) cls += ' cut';
        const g = sel('g', {
          class: cls, transform: 'translate(' + b.x + ' ' + b.y + ')', tabindex: 0, role: 'button',
          'data-id': v, 'data-col': c,
        });
        if (nb.cut.has(v)) g.setAttribute('data-cut', '');
        g.setAttribute('aria-label', node.name + ', ' + where(v));
        const title = sel('title');
        title.textContent = node.name + '\n' + (node.defined ? node.signature + '\n' : '') + where(v) +
          (node.indirect_calls > 0 ? '\n' + indirectText(node) : '') +
          (node.stack_bytes >= 0 ? '\nstack: ' + stackText(node) : '') +
          (nb.cut.has(v) ? '\n(calls cut: make it the centre to see them)' : '');
        g.appendChild(title);
        const r = sel('rect', { width: b.w, height: NODE_H, rx: 5 });
        if (state.byFile && node.defined) {
          r.style.fill = fileFill(node.file);
          g.classList.add('filed');
        }
        g.appendChild(r);
        const t = sel('text', { x: LABEL_PAD, y: NODE_H / 2, dy: '0.35em' });
        t.textContent = lay.labels.get(v);
        g.appendChild(t);
        if (node.recursive) {
          const rt = sel('text', { x: b.w - LABEL_PAD + 2, y: NODE_H / 2, dy: '0.35em', class: 'rec', 'text-anchor': 'end' });
          rt.textContent = '\u21bb';
          g.appendChild(rt);
        }
        if (nb.cut.has(v)) {
          // The mark stands on the side whose functions were left out.
          const left = c < 0 || (c === 0 && nb.omitted.callers > 0);
          const right = c > 0 || (c === 0 && (nb.omitted.callees > 0 || !left));
          for (const [on, x, anchor] of [[left, -4, 'end'], [right, b.w + 4, 'start']]) {
            if (!on) continue;
            const mk = sel('text', { x, y: NODE_H / 2, dy: '0.35em', class: 'mark', 'text-anchor': anchor });
            mk.textContent = '\u2026';
            g.appendChild(mk);
          }
        }
        nodeLayer.appendChild(g);
        nodeEls.set(v, g);
      }
      const more = c < 0 ? nb.omitted.callers : c > 0 ? nb.omitted.callees : 0;
      if (more && list.length) {
        const last = lay.box.get(list[list.length - 1]);
        const t = sel('text', { x: last.x, y: last.y + NODE_H + 16, class: 'more-note' });
        t.textContent = '+' + more + ' more not drawn';
        nodeLayer.appendChild(t);
      }
    }
    svg.appendChild(edgeLayer);
    svg.appendChild(nodeLayer);
    svg.setAttribute('data-centre', nb.centre);
    svg.setAttribute('data-callers', nb.up);
    svg.setAttribute('data-callees', nb.down);
    svg.setAttribute('data-nodes', nb.total);
    if (nb.cut.size) svg.setAttribute('data-cut', '');
    else svg.removeAttribute('data-cut');
    current = { nb, lay, nodeEls, edgesOf };

    // Centre in sight.
    const cb = lay.box.get(nb.centre), canvas = $('canvas');
    canvas.scrollLeft = cb.x + cb.w / 2 - canvas.clientWidth / 2;
    canvas.scrollTop = cb.y - canvas.clientHeight / 2;
    if (focusCentre) nodeEls.get(nb.centre).focus({ preventScroll: true });

    details(nb.centre);
    legend(nb);
    statusLine(nb);
    svg.setAttribute('data-renders', ++renders);
    if (renders === 1) performance.mark('tanglet-drawn'); // the benchmark's load time
    performance.clearMeasures('tanglet-draw');
    performance.measure('tanglet-draw', { start: t0 });
  }

  // "1 function", "2 functions".
  function plural(k, word) {
    return k + ' ' + word + (k === 1 ? '' : 's');
  }

  function statusLine(nb) {
    clear(status);
    status.appendChild(document.createTextNode(
      plural(nb.total, 'function') + ', ' + plural(nb.edges.length, 'call') +
      ' drawn (callers ' + nb.up + ', callees ' + nb.down + '); ' + plural(n, 'function') + ' and ' +
      plural(edges.length, 'call') + ' in the graph. Keys: / find, arrows move, Enter makes the centre.'));
    if (nb.cut.size) {
      const o = nb.omitted, parts = [];
      if (o.callers) parts.push(plural(o.callers, 'caller'));
      if (o.callees) parts.push(plural(o.callees, 'callee'));
      const why = parts.length
        ? parts.join(' and ') + ' not drawn'
        : 'depths cut to callers ' + nb.up + ', callees ' + nb.down + ' (the view asked for would hold ' + nb.wanted + ' functions)';
      status.appendChild(el('span', { class: 'warn' },
        ' Cut: ' + why + '; at most ' + MAX_NODES + ' functions are drawn. The marked ones have more: make one the centre.'));
    }
  }

  // ---- details and legend
  function fnButton(v) {
    const b = el('button', { type: 'button', class: 'fn', 'data-id': v, title: where(v) }, nodes[v].name);
    b.addEventListener('click', () => go(v));
    return b;
  }

  function fnList(title, start, list, v) {
    const frag = document.createDocumentFragment();
    const k = start[v + 1] - start[v];
    frag.appendChild(el('h3', null, title + ' (' + k + ')'));
    const ul = el('ul');
    for (let j = start[v]; j < start[v + 1] && j < start[v] + MAX_LIST; j++) {
      const li = el('li');
      li.appendChild(fnButton(list[j]));
      ul.appendChild(li);
    }
    if (k > MAX_LIST) ul.appendChild(el('li', null, 'and ' + (k - MAX_LIST) + ' more'));
    frag.appendChild(ul);
    return frag;
  }

  const indirectText = (node) =>
    node.indirect_calls + (node.indirect_calls === 1 ? ' call through a pointer' : ' calls through pointers');
  const stackText = (node) => node.stack_bytes + ' bytes (' + node.stack + ')';

  function details(v) {
    const box = $('details'), node = nodes[v];
    clear(box);
    box.appendChild(el('h2', { id: 'detail-name' }, node.name));
    const dl = el('dl');
    const row = (k, val, cls) => {
      dl.appendChild(el('dt', null, k));
      const dd = el('dd', { 'data-field': cls });
      if (typeof val === 'string') dd.appendChild(document.createTextNode(val));
      else dd.appendChild(val);
      dl.appendChild(dd);
      if (cls === 'signature' || cls === 'where') dd.className = cls === 'signature' ? 'sig' : 'where';
    };
    if (node.defined) {
      row('Signature', node.signature, 'signature');
      const loc = node.file + ':' + node.line, url = safeUrl(node.url);
      row('Defined at', url ? el('a', { href: url, rel: 'noopener noreferrer', target: '_blank' }, loc) : loc, 'where');
    }
    row('Defined', node.defined ? 'yes' : 'no (not in the listed sources)', 'defined');
    row('Recursive', node.recursive ? 'yes (on a call cycle)' : 'no', 'recursive');
    // Told by GCC's call graphs only.
    if (node.indirect_calls > 0) row('Through pointers', indirectText(node), 'indirect');
    if (node.stack_bytes >= 0) row('Stack', stackText(node), 'stack');
    row('Callers', String(inDeg(v)), 'callers');
    row('Callees', String(outDeg(v)), 'callees');
    box.appendChild(dl);
    box.appendChild(fnList('Called by', inStart, inList, v));
    box.appendChild(fnList('Calls', outStart, outList, v));
  }

  function legend(nb) {
    const box = $('legend');
    clear(box);
    box.hidden = !state.byFile;
    if (!state.byFile) return;
    const count = new Map();
    let undef = 0;
    for (const v of nb.order) {
      const f = nodes[v];
      if (f.defined) count.set(f.file, (count.get(f.file) || 0) + 1);
      else undef++;
    }
    box.appendChild(el('h3', null, 'Files in this view'));
    const ul = el('ul');
    for (const f of [...count.keys()].sort()) {
      const li = el('li', { 'data-file': f });
      const sw = el('span', { class: 'swatch' });
      sw.style.background = fileFill(f);
      li.appendChild(sw);
      li.appendChild(document.createTextNode(f + ' (' + count.get(f) + ')'));
      ul.appendChild(li);
    }
    if (undef) {
      const li = el('li');
      const sw = el('span', { class: 'swatch' });
      sw.style.background = 'var(--undef)';
      li.appendChild(sw);
      li.appendChild(document.createTextNode('no definition (' + undef + ')'));
      ul.appendChild(li);
    }
    box.appendChild(ul);
  }

  // ---- navigation
  function go(v) {
    const s = Object.assign({}, state, { centre: v });
    const f = fragment(s);
    if (f === location.hash) {
      draw(true);
      return;
    }
    location.hash = f; // a history entry; hashchange draws
  }

  function setState(s) {
    Object.assign(state, s);
    $('callers').value = state.up;
    $('callees').value = state.down;
    $('hide-undefined').checked = state.hideUndef;
    $('by-file').checked = state.byFile;
  }

  function replace() {
    history.replaceState(null, '', fragment(state));
    draw(false);
  }

  window.addEventListener('hashchange', () => {
    const s = parseFragment(location.hash);
    if (!s) return;
    setState(s);
    draw(true);
  });

  for (const [id, key] of [['callers', 'up'], ['callees', 'down']]) {
    $(id).addEventListener('change', (ev) => {
      state[key] = clampDepth(ev.target.value, state[key]);
      ev.target.value = state[key];
      replace();
    });
  }
  $('hide-undefined').addEventListener('change', (ev) => {
    state.hideUndef = ev.target.checked;
    replace();
  });
  $('by-file').addEventListener('change', (ev) => {
    state.byFile = ev.target.checked;
    replace();
  });

  svg.addEventListener('click', (ev) => {
    const g = ev.target.closest && ev.target.closest('.node');
    if (g) go(Number(g.getAttribute('data-id')));
  });
  svg.addEventListener('mouseover', (ev) => highlight(ev.target.closest && ev.target.closest('.node'), true));
  svg.addEventListener('mouseout', (ev) => highlight(ev.target.closest && ev.target.closest('.node'), false));
  svg.addEventListener('focusin', (ev) => highlight(ev.target.closest('.node'), true));
  svg.addEventListener('focusout', (ev) => highlight(ev.target.closest('.node'), false));

  function highlight(g, on) {
    if (!g || !current) return;
    for (const p of current.edgesOf.get(Number(g.getAttribute('data-id'))) || []) {
      p.classList.toggle('hl', on);
      p.setAttribute('marker-end', on ? 'url(#arrowhl)' : p.classList.contains('back') ? 'url(#arrowback)' : 'url(#arrow)');
    }
  }

  // Arrows walk the drawing: up and down a column, left and right to the
  // nearest node of the next column.
  svg.addEventListener('keydown', (ev) => {
    const g = ev.target.closest('.node');
    if (!g || !current) return;
    const v = Number(g.getAttribute('data-id'));
    if (ev.key === 'Enter' || ev.key === ' ') {
      ev.preventDefault();
      go(v);
      return;
    }
    const { lay, nb, nodeEls } = current;
    const c = nb.col.get(v), list = lay.cols.get(c), i = list.indexOf(v);
    let to;
    if (ev.key === 'ArrowUp') to = list[i - 1];
    else if (ev.key === 'ArrowDown') to = list[i + 1];
    else if (ev.key === 'ArrowLeft' || ev.key === 'ArrowRight') {
      const k = lay.keysSorted.indexOf(c) + (ev.key === 'ArrowLeft' ? -1 : 1);
      const other = lay.cols.get(lay.keysSorted[k]);
      if (other) {
        const y = lay.box.get(v).y;
        to = other.reduce((a, w) => (Math.abs(lay.box.get(w).y - y) < Math.abs(lay.box.get(a).y - y) ? w : a));
      }
    } else return;
    ev.preventDefault();
    if (to !== undefined) {
      const t = nodeEls.get(to);
      t.focus();
    }
  });

  // ---- search
  const search = $('search'), results = $('results');
  let hits = [], active = -1;

  function find(q) {
    const ql = q.toLowerCase();
    if (!ql) return { ids: [], count: 0 };
    const exact = [], prefix = [], inner = [];
    for (let i = 0; i < n; i++) {
      const p = lower[i].indexOf(ql);
      if (p < 0) continue;
      if (p > 0) inner.push(i);
      else if (lower[i].length === ql.length) exact.push(i);
      else prefix.push(i);
    }
    const count = exact.length + prefix.length + inner.length;
    const byLength = (a, b) => lower[a].length - lower[b].length || (lower[a] < lower[b] ? -1 : lower[a] > lower[b] ? 1 : a - b);
    const out = [];
    for (const group of [exact, prefix, inner]) {
      if (out.length >= MAX_RESULTS) break;
      group.sort(byLength);
      for (const i of group) {
        if (out.length >= MAX_RESULTS) break;
        out.push(i);
      }
    }
    return { ids: out, count };
  }

  function showResults() {
    const r = find(search.value);
    hits = r.ids;
    active = hits.length ? 0 : -1;
    clear(results);
    hits.forEach((v, i) => {
      const li = el('li', { role: 'option', id: 'hit-' + i, 'data-id': v, 'aria-selected': i === active ? 'true' : 'false' });
      li.appendChild(el('span', { class: 'name' }, nodes[v].name));
      li.appendChild(el('span', { class: 'where' }, where(v)));
      li.addEventListener('mousedown', (ev) => {
        ev.preventDefault(); // keep the focus until the choice is made
        choose(v);
      });
      results.appendChild(li);
    });
    if (search.value && !hits.length) results.appendChild(el('li', { class: 'more' }, 'no function matches'));
    else if (r.count > hits.length) results.appendChild(el('li', { class: 'more' }, r.count - hits.length + ' more: type more of the name'));
    const open = search.value !== '';
    results.hidden = !open;
    search.setAttribute('aria-expanded', open ? 'true' : 'false');
    if (active >= 0) search.setAttribute('aria-activedescendant', 'hit-0');
    else search.removeAttribute('aria-activedescendant');
  }

  function moveActive(k) {
    if (!hits.length) return;
    const old = $('hit-' + active);
    if (old) old.setAttribute('aria-selected', 'false');
    active = (active + k + hits.length) % hits.length;
    const li = $('hit-' + active);
    li.setAttribute('aria-selected', 'true');
    li.scrollIntoView({ block: 'nearest' });
    search.setAttribute('aria-activedescendant', li.id);
  }

  function closeResults() {
    results.hidden = true;
    search.setAttribute('aria-expanded', 'false');
  }

  function choose(v) {
    closeResults();
    search.value = '';
    go(v);
  }

  search.addEventListener('input', showResults);
  search.addEventListener('keydown', (ev) => {
    if (ev.key === 'ArrowDown' || ev.key === 'ArrowUp') {
      ev.preventDefault();
      moveActive(ev.key === 'ArrowDown' ? 1 : -1);
    } else if (ev.key === 'Enter') {
      ev.preventDefault();
      if (active >= 0) choose(hits[active]);
    } else if (ev.key === 'Escape') {
      search.value = '';
      closeResults();
      if (current) current.nodeEls.get(current.nb.centre).focus({ preventScroll: true });
    }
  });
  search.addEventListener('blur', closeResults);
  search.addEventListener('focus', () => {
    if (search.value) showResults();
  });

  document.addEventListener('keydown', (ev) => {
    if (ev.key !== '/' || ev.ctrlKey || ev.metaKey || ev.altKey) return;
    const t = ev.target;
    if (t instanceof HTMLInputElement || t instanceof HTMLTextAreaElement) return;
    ev.preventDefault();
    search.focus();
    search.select();
  });

  // ---- the first view: the fragment's, else the start
  const measureFont = getComputedStyle(document.documentElement).getPropertyValue('--mono');
  measure.font = '13px ' + (measureFont.trim() || 'monospace');
  const first = parseFragment(location.hash);
  setState(first || {});
  if (n) history.replaceState(null, '', fragment(state));
  draw(false);
})();
