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
  const PATH_SLACK = 2, PATH_NODES = 60; // longer paths only while the drawing stays readable

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
  // The page packs it: names, files, signatures, links and stack words as
  // string tables; per node and per call, varints in base64 (see
  // write_page_data), read here straight into typed arrays.
  let data;
  try {
    data = JSON.parse($('tanglet-data').textContent);
  } catch (err) {
    status.textContent = 'The graph data of this page cannot be read: ' + err.message;
    return;
  }
  function bytesOf(text) {
    if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text || '');
    const b = atob(text || ''), out = new Uint8Array(b.length);
    for (let i = 0; i < b.length; i++) out[i] = b.charCodeAt(i);
    return out;
  }
  // A reader of unsigned varints; beyond 2^31 by arithmetic, exact to 2^53.
  function reader(bytes) {
    let at = 0;
    const next = () => {
      let x = 0, scale = 1, b;
      do {
        b = bytes[at++];
        x += (b & 127) * scale;
        scale *= 128;
      } while (b & 128);
      return x;
    };
    const signed = () => {
      const z = next();
      return z % 2 ? -(z + 1) / 2 : z / 2;
    };
    return { next, signed };
  }
  const names = data.names || [], files = data.files || [];
  const n = names.length;
  // A node's flags, as the page packs them (4 and 16, target and cut, are
  // never set on the whole graph a page holds).
  const DEFINED = 1, FOCUS = 2, RECURSIVE = 8, LINKED = 32, INDIRECT = 64, STACK = 128;
  const flags = new Uint8Array(n), fileOf = new Int32Array(n).fill(-1), lineOf = new Int32Array(n);
  const extra = new Map(); // the rare facts: link, calls through pointers, stack
  const sigOf = new Int32Array(n).fill(-1);
  {
    const r = reader(bytesOf(data.facts));
    let file = 0, sig = 0, url = 0, stack = 0;
    for (let v = 0; v < n; v++) {
      const f = (flags[v] = r.next());
      if (f & DEFINED) {
        fileOf[v] = file += r.signed();
        lineOf[v] = r.next();
        const back = r.next(); // 0: a signature not seen before
        sigOf[v] = back === 0 ? sig++ : sig - back;
      }
      if (f & (LINKED | INDIRECT | STACK)) {
        const x = {};
        if (f & LINKED) x.url = data.urls[url++];
        if (f & INDIRECT) x.indirect_calls = r.next();
        if (f & STACK) {
          x.stack_bytes = r.next();
          x.stack = data.stacks[stack++];
        }
        extra.set(v, x);
      }
    }
  }
  const isDefined = (v) => (flags[v] & DEFINED) !== 0;
  // A node's facts as one object, for the few places that show them all.
  function fact(v) {
    const d = isDefined(v), x = extra.get(v) || {};
    return {
      name: names[v], defined: d, signature: d ? data.signatures[sigOf[v]] : undefined,
      file: d ? files[fileOf[v]] : undefined, line: d ? lineOf[v] : undefined,
      recursive: (flags[v] & RECURSIVE) !== 0, url: x.url,
      indirect_calls: x.indirect_calls || 0, stack_bytes: x.stack_bytes === undefined ? -1 : x.stack_bytes,
      stack: x.stack,
    };
  }
  const m = Number(data.count) || 0;
  const outStart = new Int32Array(n + 1), inStart = new Int32Array(n + 1);
  const outList = new Int32Array(m), inList = new Int32Array(m);
  {
    const source = new Int32Array(m), target = new Int32Array(m);
    const r = reader(bytesOf(data.calls));
    for (let k = 0, s = 0, t = 0; k < m; k++) {
      source[k] = s += r.signed();
      target[k] = t += r.signed();
      outStart[s + 1]++;
      inStart[t + 1]++;
    }
    for (let i = 0; i < n; i++) {
      outStart[i + 1] += outStart[i];
      inStart[i + 1] += inStart[i];
    }
    const o = outStart.slice(0, n), q = inStart.slice(0, n);
    for (let k = 0; k < m; k++) {
      outList[o[source[k]]++] = target[k];
      inList[q[target[k]]++] = source[k];
    }
  }
  const outDeg = (v) => outStart[v + 1] - outStart[v];
  const inDeg = (v) => inStart[v + 1] - inStart[v];
  const where = (v) => (isDefined(v) ? files[fileOf[v]] + ':' + lineOf[v] : 'no definition');

  // Lone surrogates would make encodeURIComponent throw.
  const wellFormed = (s) => (s.toWellFormed ? s.toWellFormed() : s.replace(/[\ud800-\udfff]/g, '\ufffd'));
  const lower = names.map((v) => v.toLowerCase());

  // The fragment names a function by its name, or, where two functions share
  // it (static functions in two files), by name@file:line.
  const keys = new Array(n);
  const keyToId = new Map();
  {
    const count = new Map();
    for (const v of names) count.set(v, (count.get(v) || 0) + 1);
    for (let i = 0; i < n; i++) {
      const v = names[i];
      let k = count.get(v) === 1 ? v : v + '@' + (isDefined(i) ? files[fileOf[i]] + ':' + lineOf[i] : '');
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
    let k = 0;
    for (let v = 0; v < n; v++) if (isDefined(v) && !fileIndex.has(files[fileOf[v]])) fileIndex.set(files[fileOf[v]], k++);
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
    to: -1, // the path target, or none
  };
  // A hub shows this many callers or callees, then "+M more".
  const FOLD = Number.isInteger(data.fold) && data.fold >= 0 ? data.fold : 12;

  function startNode() {
    for (let i = 0; i < n; i++) if (flags[i] & FOCUS) return i;
    for (let i = 0; i < n; i++) if (names[i] === 'main') return i;
    let best = 0;
    for (let i = 1; i < n; i++) if (outDeg(i) > outDeg(best)) best = i;
    return best;
  }

  // ---- the state and the URL fragment
  // unfolded: the hubs drawn whole ('>' callees, '<' callers, then the id),
  // while the centre and the target stay.
  const state = Object.assign({ centre: startNode(), unfolded: new Set() }, defaults);

  function fragment(s) {
    let f = '#' + encodeURIComponent(keys[s.centre]);
    if (s.to >= 0) f += '&to=' + encodeURIComponent(keys[s.to]);
    if (s.up !== defaults.up) f += '&callers=' + s.up;
    if (s.down !== defaults.down) f += '&callees=' + s.down;
    if (s.hideUndef) f += '&defined';
    if (s.byFile) f += '&files';
    return f;
  }

  function pathTarget(v, centre) {
    let id;
    try {
      id = keyToId.get(decodeURIComponent(v || ''));
    } catch (err) {
      return -1;
    }
    return id === undefined || id === centre ? -1 : id;
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
      else if (k === 'to') s.to = pathTarget(v, id);
    }
    return s;
  }

  // ---- the neighbourhood: breadth-first both ways, hubs folded, cut to MAX_NODES
  const distF = new Int16Array(n), distB = new Int16Array(n);

  // A function's calls (or callers) that the view may show: all of them, or
  // for a hub the first fold ones, those with the most calls of their own
  // first. kept maps a folded hub to what it shows, and counts the rest.
  function shown(v, start, list, hidden, fold, side, kept) {
    const all = [];
    for (let j = start[v]; j < start[v + 1]; j++) if (!(hidden && !isDefined(list[j]))) all.push(list[j]);
    if (!fold || all.length <= fold || state.unfolded.has(side + v)) return all;
    const first = all.map((w, i) => [w, i]).sort((a, b) => outDeg(b[0]) - outDeg(a[0]) || a[1] - b[1])
      .slice(0, fold).map((x) => x[0]);
    kept.set(v, { set: new Set(first), more: all.length - fold });
    return first;
  }

  function bfs(centre, depth, start, list, dist, hidden, fold, side, kept) {
    const levels = [[centre]];
    dist[centre] = 0;
    for (let d = 1; d <= depth; d++) {
      const next = [];
      for (const v of levels[d - 1])
        for (const w of shown(v, start, list, hidden, fold, side, kept))
          if (dist[w] < 0) {
            dist[w] = d;
            next.push(w);
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
    const keptF = new Map(), keptB = new Map();
    const fw = bfs(c, s.down, outStart, outList, distF, s.hideUndef, FOLD, '>', keptF);
    const bw = bfs(c, s.up, inStart, inList, distB, s.hideUndef, FOLD, '<', keptB);
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
    const keeps = (k, v, w) => !k.has(v) || k.get(v).set.has(w);
    for (const v of view) {
      if (distF[v] >= 0 && distF[v] < d)
        for (let j = outStart[v]; j < outStart[v + 1]; j++) if (keeps(keptF, v, outList[j])) add(v, outList[j]);
      if (distB[v] >= 0 && distB[v] < u)
        for (let j = inStart[v]; j < inStart[v + 1]; j++) if (keeps(keptB, v, inList[j])) add(inList[j], v);
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
    const nb = { centre: c, target: -1, order, col, edges: drawn, cut, up, down, wanted, omitted, total: view.size };
    addFolds(nb, keptF, (v) => distF[v] >= 0 && distF[v] < d, 1);
    addFolds(nb, keptB, (v) => distB[v] >= 0 && distB[v] < u, -1);
    return nb;
  }

  // A box "+M more" beside each folded hub the view expands: ids from n on,
  // a pseudo call to or from its hub.
  function addFolds(nb, kept, expanded, side) {
    nb.folds = nb.folds || [];
    nb.foldEdges = nb.foldEdges || [];
    for (const v of nb.order) {
      if (!kept.has(v) || !expanded(v)) continue;
      const id = n + nb.folds.length, more = kept.get(v).more;
      nb.folds.push({ id, of: v, side, more, label: '+' + more + ' more ' + (side > 0 ? 'callees' : 'callers') });
      nb.col.set(id, nb.col.get(v) + side);
      nb.foldEdges.push(side > 0 ? [v, id] : [id, v]);
    }
    for (const f of nb.folds) if (f.side === side) nb.order.push(f.id);
  }

  // ---- paths: every function on a call path between the centre and the
  // target, either way. The shortest paths, and longer ones by up to
  // PATH_SLACK calls while the drawing stays within PATH_NODES; beyond
  // MAX_NODES on the shortest ones alone, whole paths until it is full.
  const dFrom = new Int32Array(n), dTo = new Int32Array(n);

  function distances(from, start, list, dist, hidden) {
    dist.fill(-1);
    dist[from] = 0;
    const queue = [from];
    for (let i = 0; i < queue.length; i++) {
      const v = queue[i];
      for (let j = start[v]; j < start[v + 1]; j++) {
        const w = list[j];
        if (dist[w] < 0 && !hidden(w)) {
          dist[w] = dist[v] + 1;
          queue.push(w);
        }
      }
    }
  }

  // The functions on paths from a to b of at most the chosen length, with
  // their columns (col of the distances), into view; the length, or -1.
  function pathsOneWay(a, b, hidden, room, view, col, edgesOut, colOf) {
    distances(a, outStart, outList, dFrom, hidden);
    if (dFrom[b] < 0) return { length: -1, left: 0 };
    distances(b, inStart, inList, dTo, hidden);
    const s = dFrom[b], bySum = new Int32Array(s + PATH_SLACK + 2);
    for (let v = 0; v < n; v++) {
      const k = dFrom[v] + dTo[v];
      if (dFrom[v] >= 0 && dTo[v] >= 0 && k <= s + PATH_SLACK) bySum[k]++;
    }
    let len = s, count = bySum[s];
    while (len < s + PATH_SLACK && count + bySum[len + 1] <= Math.min(room, PATH_NODES)) count += bySum[++len];
    const on = (v) => dFrom[v] >= 0 && dTo[v] >= 0 && dFrom[v] + dTo[v] <= len;
    const mine = [];
    for (let v = 0; v < n; v++) if (on(v)) mine.push(v);
    let left = 0;
    const kept = count > room ? wholePaths(a, b, mine, room) : null;
    for (const v of mine) {
      if (kept && !kept.has(v)) {
        left++;
        continue;
      }
      if (!view.has(v)) col.set(v, colOf(dFrom[v], dTo[v]));
      view.add(v);
    }
    for (const v of mine)
      if (!kept || kept.has(v))
        for (let j = outStart[v]; j < outStart[v + 1]; j++) {
          const w = outList[j];
          if (on(w) && dFrom[v] + 1 + dTo[w] <= len && (!kept || kept.has(w))) edgesOut.push([v, w]);
        }
    return { length: len, left };
  }

  // Shortest paths from a to b, one through each function in turn (the
  // nearest to a first), while they fit in room.
  function wholePaths(a, b, mine, room) {
    const kept = new Set([a, b]);
    const step = (v, start, list, dv, dw) => {
      let pick = -1;
      for (let j = start[v]; j < start[v + 1]; j++) {
        const w = list[j];
        if (dv[w] === dv[v] + 1 && dw[w] === dw[v] - 1 && (pick < 0 || kept.has(w))) pick = w;
      }
      return pick;
    };
    const byNear = mine.filter((v) => dFrom[v] + dTo[v] === dFrom[b]).sort((x, y) => dFrom[x] - dFrom[y]);
    for (const v of byNear) {
      if (kept.has(v)) continue;
      const path = [v];
      for (let w = v; w !== a;) path.push((w = step(w, inStart, inList, dTo, dFrom)));
      for (let w = v; w !== b;) path.push((w = step(w, outStart, outList, dFrom, dTo)));
      const fresh = path.filter((w) => !kept.has(w));
      if (kept.size + new Set(fresh).size > room) break;
      for (const w of fresh) kept.add(w);
    }
    return kept;
  }

  function paths(s) {
    const c = s.centre, t = s.to;
    const hidden = (w) => s.hideUndef && !isDefined(w) && w !== c && w !== t;
    const view = new Set([c]), col = new Map([[c, 0]]), edgesOut = [];
    // Centre to target on the right, as callees; target to centre on the left.
    const down = pathsOneWay(c, t, hidden, MAX_NODES, view, col, edgesOut, (f) => f);
    const up = pathsOneWay(t, c, hidden, MAX_NODES - view.size + 1, view, col, edgesOut, (f, g) => -g);
    if (!view.has(t)) {
      view.add(t);
      col.set(t, 1);
    }
    const order = [...view].sort((x, y) => col.get(x) - col.get(y));
    const seen = new Set(), drawn = [];
    for (const [x, y] of edgesOut)
      if (!seen.has(x * n + y)) {
        seen.add(x * n + y);
        drawn.push([x, y]);
      }
    return {
      centre: c, target: t, order, col, edges: drawn, cut: new Set(), up: s.up, down: s.down, total: view.size,
      omitted: { callers: 0, callees: 0 }, folds: [], foldEdges: [], paths: { down, up },
    };
  }

  function hasVisible(v, start, list, hidden) {
    for (let j = start[v]; j < start[v + 1]; j++) if (!(hidden && !isDefined(list[j]))) return true;
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
    for (const [a, b] of nb.edges.concat(nb.foldEdges)) {
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
        const fn = v < n ? fact(v) : null;
        const t = fn ? fitLabel(fn.name) : nb.folds[v - n].label;
        labels.set(v, t);
        w = Math.max(w, labelWidth(t) + 2 * LABEL_PAD + (fn && fn.recursive ? 14 : 0));
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

  function nodeTitle(v, nb) {
    const node = fact(v);
    return node.name + '\n' + (node.defined ? node.signature + '\n' : '') + where(v) +
      (node.indirect_calls > 0 ? '\n' + indirectText(node) : '') +
      (node.stack_bytes >= 0 ? '\nstack: ' + stackText(node) : '') +
      (nb.cut.has(v) ? '\n(calls cut: make it the centre to see them)' : '');
  }

  function drawNode(v, c, nb, lay) {
    const node = fact(v), b = lay.box.get(v);
    let cls = 'node';
    if (!node.defined) cls += ' undefined';
    if (node.recursive) cls += ' recursive';
    if (v === nb.centre) cls += ' centre';
    if (v === nb.target) cls += ' target';
    if (nb.cut.has(v)) cls += ' cut';
    const g = sel('g', {
      class: cls, transform: 'translate(' + b.x + ' ' + b.y + ')', tabindex: 0, role: 'button',
      'data-id': v, 'data-col': c,
    });
    if (nb.cut.has(v)) g.setAttribute('data-cut', '');
    g.setAttribute('aria-label', node.name + ', ' + where(v));
    const title = sel('title');
    title.textContent = nodeTitle(v, nb); // the full name on hover
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
    return g;
  }

  // A folded hub's box: a click draws all its callers or callees.
  function drawFold(f, lay) {
    const b = lay.box.get(f.id);
    const g = sel('g', {
      class: 'fold', transform: 'translate(' + b.x + ' ' + b.y + ')', tabindex: 0, role: 'button',
      'data-id': f.id, 'data-of': f.of, 'data-more': f.more, 'data-side': f.side > 0 ? 'callees' : 'callers',
    });
    g.setAttribute('aria-label', f.label + ' of ' + names[f.of]);
    const title = sel('title');
    title.textContent = f.label + ' of ' + names[f.of] + ': click to draw them all';
    g.appendChild(title);
    g.appendChild(sel('rect', { width: b.w, height: NODE_H, rx: NODE_H / 2 }));
    const t = sel('text', { x: LABEL_PAD, y: NODE_H / 2, dy: '0.35em' });
    t.textContent = f.label;
    g.appendChild(t);
    return g;
  }

  function drawEdges(nb, lay, edgeLayer) {
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
    for (const [a, b] of nb.foldEdges)
      edgeLayer.appendChild(sel('path', { class: 'fold-edge', d: edgePath(lay.box.get(a), lay.box.get(b), false) }));
    return edgesOf;
  }

  function arrows() {
    const defs = sel('defs');
    for (const k of ['', 'back', 'hl']) {
      const m = sel('marker', {
        id: 'arrow' + k, viewBox: '0 0 10 10', refX: 9, refY: 5, markerWidth: 7, markerHeight: 7,
        orient: 'auto-start-reverse', markerUnits: 'userSpaceOnUse',
      });
      m.appendChild(sel('path', { d: 'M0 0L10 5L0 10z', class: 'arrow ' + k }));
      defs.appendChild(m);
    }
    return defs;
  }

  function draw(focusCentre) {
    const t0 = performance.now();
    svg.replaceChildren();
    stage.replaceChildren();
    svg.appendChild(stage);
    if (!n) {
      const t = sel('text', { x: PAD, y: 40, class: 'empty' });
      t.textContent = 'The listing holds no function.';
      stage.appendChild(t);
      setSize(400, 80, -1, null);
      status.textContent = '';
      svg.setAttribute('data-renders', ++renders);
      return;
    }
    const nb = state.to >= 0 ? paths(state) : neighbourhood(state);
    const lay = layout(nb);
    svg.insertBefore(arrows(), stage);
    const edgeLayer = sel('g', { class: 'edges' });
    const nodeLayer = sel('g', { class: 'nodes' });
    const edgesOf = drawEdges(nb, lay, edgeLayer);
    const nodeEls = new Map();
    for (const c of lay.keysSorted) {
      const list = lay.cols.get(c);
      for (const v of list) {
        const g = v < n ? drawNode(v, c, nb, lay) : drawFold(nb.folds[v - n], lay);
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
    if (nb.paths && nb.paths.down.length < 0 && nb.paths.up.length < 0) {
      const t = sel('text', { x: PAD, y: lay.height - 8, class: 'empty' });
      t.textContent = 'No call path between ' + names[nb.centre] + ' and ' + names[nb.target] + '.';
      nodeLayer.appendChild(t);
    }
    stage.appendChild(edgeLayer);
    stage.appendChild(nodeLayer);
    svg.setAttribute('data-centre', nb.centre);
    svg.setAttribute('data-callers', nb.up);
    svg.setAttribute('data-callees', nb.down);
    svg.setAttribute('data-nodes', nb.total);
    svg.toggleAttribute('data-cut', nb.cut.size > 0);
    if (nb.paths) {
      svg.setAttribute('data-target', nb.target);
      svg.setAttribute('data-paths', nb.paths.down.length + ' ' + nb.paths.up.length);
    } else {
      svg.removeAttribute('data-target');
      svg.removeAttribute('data-paths');
    }
    current = { nb, lay, nodeEls, edgesOf };
    const cb = lay.box.get(nb.centre);
    setSize(lay.width, lay.height, cb.x + cb.w / 2, cb.y + NODE_H / 2);
    if (focusCentre) nodeEls.get(nb.centre).focus({ preventScroll: true });

    details(nb.centre);
    legend(nb);
    statusLine(nb);
    svg.setAttribute('data-renders', ++renders);
    if (renders === 1) performance.mark('tanglet-drawn'); // the benchmark's load time
    performance.clearMeasures('tanglet-draw');
    performance.measure('tanglet-draw', { start: t0 });
  }

  // ---- fit, zoom and pan: one transform on the stage. The zoom is kept
  // across drawings until 0 fits again; a new drawing centres its centre.
  const canvas = $('canvas');
  const stage = sel('g', { class: 'stage' });
  const zoom = { fit: true, k: 1, x: 0, y: 0, w: 0, h: 0 };
  const ZOOM_MIN = 0.05, ZOOM_MAX = 4, ZOOM_STEP = 1.25;

  function applyZoom() {
    stage.setAttribute('transform', 'translate(' + zoom.x.toFixed(1) + ' ' + zoom.y.toFixed(1) + ') scale(' + zoom.k + ')');
    svg.setAttribute('data-scale', zoom.k.toFixed(4));
    svg.toggleAttribute('data-fit', zoom.fit);
  }

  function fit() {
    const cw = canvas.clientWidth, ch = canvas.clientHeight;
    zoom.fit = true;
    zoom.k = Math.min(1, cw / zoom.w, ch / zoom.h);
    zoom.x = (cw - zoom.w * zoom.k) / 2;
    zoom.y = Math.max(0, (ch - zoom.h * zoom.k) / 2);
    applyZoom();
  }

  // A new drawing of w by h, its centre at cx, cy.
  function setSize(w, h, cx, cy) {
    zoom.w = w;
    zoom.h = h;
    if (zoom.fit || cx < 0) return fit();
    zoom.x = canvas.clientWidth / 2 - cx * zoom.k;
    zoom.y = canvas.clientHeight / 2 - cy * zoom.k;
    applyZoom();
  }

  // Zooms by factor about the pane's point px, py.
  function zoomBy(factor, px, py) {
    const k = Math.min(ZOOM_MAX, Math.max(ZOOM_MIN, zoom.k * factor));
    zoom.x = px - ((px - zoom.x) * k) / zoom.k;
    zoom.y = py - ((py - zoom.y) * k) / zoom.k;
    zoom.k = k;
    zoom.fit = false;
    applyZoom();
  }

  // Pans so that a node reached by the keyboard is in sight.
  function reveal(g) {
    const r = g.getBoundingClientRect(), p = canvas.getBoundingClientRect();
    let dx = 0, dy = 0;
    if (r.left < p.left) dx = p.left - r.left + PAD;
    else if (r.right > p.right) dx = Math.max(p.right - r.right - PAD, p.left - r.left + PAD);
    if (r.top < p.top) dy = p.top - r.top + PAD;
    else if (r.bottom > p.bottom) dy = p.bottom - r.bottom - PAD;
    if (!dx && !dy) return;
    zoom.x += dx;
    zoom.y += dy;
    applyZoom();
  }

  canvas.addEventListener('wheel', (ev) => {
    ev.preventDefault();
    const p = canvas.getBoundingClientRect();
    const dy = ev.deltaMode === 1 ? ev.deltaY * 16 : ev.deltaMode === 2 ? ev.deltaY * 400 : ev.deltaY;
    zoomBy(Math.exp(-dy * 0.002), ev.clientX - p.left, ev.clientY - p.top);
  }, { passive: false });

  // A drag pans; the click that ends it does not refocus.
  let drag = null, dragged = false;
  canvas.addEventListener('pointerdown', (ev) => {
    if (ev.button !== 0) return;
    drag = { x: ev.clientX, y: ev.clientY, zx: zoom.x, zy: zoom.y, on: false };
    dragged = false;
  });
  window.addEventListener('pointermove', (ev) => {
    if (!drag) return;
    const dx = ev.clientX - drag.x, dy = ev.clientY - drag.y;
    if (!drag.on && Math.abs(dx) + Math.abs(dy) < 4) return;
    drag.on = dragged = true;
    canvas.classList.add('panning');
    zoom.x = drag.zx + dx;
    zoom.y = drag.zy + dy;
    applyZoom();
  });
  window.addEventListener('pointerup', () => {
    drag = null;
    canvas.classList.remove('panning');
  });
  // Focus would scroll the pane itself: the stage moves instead.
  canvas.addEventListener('scroll', () => {
    canvas.scrollLeft = canvas.scrollTop = 0;
  });
  new ResizeObserver(() => {
    if (zoom.fit && zoom.w) fit();
  }).observe(canvas);

  document.addEventListener('keydown', (ev) => {
    if (ev.ctrlKey || ev.metaKey || ev.altKey) return;
    const t = ev.target;
    if (t instanceof HTMLInputElement || t instanceof HTMLTextAreaElement) return;
    const cw = canvas.clientWidth / 2, ch = canvas.clientHeight / 2;
    if (ev.key === '+' || ev.key === '=') zoomBy(ZOOM_STEP, cw, ch);
    else if (ev.key === '-' || ev.key === '_') zoomBy(1 / ZOOM_STEP, cw, ch);
    else if (ev.key === '0') fit();
    else return;
    ev.preventDefault();
  });

  // "1 function", "2 functions".
  function plural(k, word) {
    return k + ' ' + word + (k === 1 ? '' : 's');
  }

  function pathStatus(nb) {
    const { down, up } = nb.paths, a = names[nb.centre], b = names[nb.target];
    const parts = [];
    const one = (p, from, to) => {
      if (p.length < 0) return;
      parts.push('from ' + from + ' to ' + to + ' of up to ' + plural(p.length, 'call'));
    };
    one(down, a, b);
    one(up, b, a);
    status.appendChild(document.createTextNode(
      (parts.length ? 'Paths ' + parts.join(', and ') + ': ' : '') + plural(nb.total, 'function') + ', ' +
      plural(nb.edges.length, 'call') + ' drawn. Keys: / find, + - 0 zoom, Enter makes the centre.'));
    if (!parts.length)
      status.appendChild(el('span', { class: 'warn' }, ' No call path between ' + a + ' and ' + b + ', either way' +
        (state.hideUndef ? ' through functions with a definition.' : '.')));
    const left = down.left + up.left;
    if (left)
      status.appendChild(el('span', { class: 'warn' }, ' Cut: ' + plural(left, 'function') +
        ' on the shortest paths not drawn; at most ' + MAX_NODES + ' functions are drawn.'));
  }

  function statusLine(nb) {
    clear(status);
    if (nb.paths) return pathStatus(nb);
    status.appendChild(document.createTextNode(
      plural(nb.total, 'function') + ', ' + plural(nb.edges.length, 'call') +
      ' drawn (callers ' + nb.up + ', callees ' + nb.down + '); ' + plural(n, 'function') + ' and ' +
      plural(m, 'call') + ' in the graph. Keys: / find, arrows move, Enter makes the centre, + - 0 zoom.'));
    if (nb.folds.length)
      status.appendChild(document.createTextNode(' ' + plural(nb.folds.length, 'hub') + ' folded to ' + FOLD +
        ' callers or callees: click "+ more" to draw them all.'));
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
    const b = el('button', { type: 'button', class: 'fn', 'data-id': v, title: where(v) }, names[v]);
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
    const box = $('details'), node = fact(v);
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
      const f = fact(v);
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
  // To centre v, with paths to the target to (the same as now by default).
  function go(v, to = state.to) {
    const s = Object.assign({}, state, { centre: v, to: to === v ? -1 : to });
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
    showTarget();
    $('path-clear').hidden = state.to < 0;
    // The depths do not bound paths.
    for (const id of ['callers', 'callees']) $(id).disabled = state.to >= 0;
  }

  function replace() {
    history.replaceState(null, '', fragment(state));
    draw(false);
  }

  window.addEventListener('hashchange', () => {
    const s = parseFragment(location.hash);
    if (!s) return;
    if (s.centre !== state.centre || s.to !== state.to) state.unfolded = new Set();
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

  // A click on a function makes it the centre; on "+M more", unfolds.
  function activate(g) {
    const v = Number(g.getAttribute('data-id'));
    if (v < n) return go(v);
    const f = current.nb.folds[v - n];
    state.unfolded.add((f.side > 0 ? '>' : '<') + f.of);
    draw(false);
    const hub = current.nodeEls.get(f.of);
    if (hub) hub.focus({ preventScroll: true });
  }

  svg.addEventListener('click', (ev) => {
    const g = ev.target.closest && ev.target.closest('.node, .fold');
    if (dragged) dragged = false;
    else if (g && current) activate(g);
  });
  svg.addEventListener('mouseover', (ev) => highlight(ev.target.closest && ev.target.closest('.node'), true));
  svg.addEventListener('mouseout', (ev) => highlight(ev.target.closest && ev.target.closest('.node'), false));
  svg.addEventListener('focusin', (ev) => {
    highlight(ev.target.closest('.node'), true);
    const g = ev.target.closest('.node, .fold');
    if (g) reveal(g);
  });
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
    const g = ev.target.closest('.node, .fold');
    if (!g || !current) return;
    const v = Number(g.getAttribute('data-id'));
    if (ev.key === 'Enter' || ev.key === ' ') {
      ev.preventDefault();
      activate(g);
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
    if (to !== undefined) nodeEls.get(to).focus({ preventScroll: true });
  });

  // ---- search

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
    const out = [];
    for (const group of [exact, prefix, inner]) {
      for (const i of shortest(group, MAX_RESULTS - out.length)) out.push(i);
    }
    return { ids: out, count };
  }

  // The k shortest of a group, then by name. A letter matches most of a
  // kernel's 660,000 names: sort only the lengths that can be among them.
  function shortest(group, k) {
    if (k <= 0) return [];
    if (group.length > 4 * k) {
      const perLength = [];
      for (const i of group) perLength[lower[i].length] = (perLength[lower[i].length] || 0) + 1;
      let limit = 0;
      for (let seen = 0; seen < k; limit++) seen += perLength[limit] || 0;
      group = group.filter((i) => lower[i].length < limit);
    }
    const byLength = (a, b) => lower[a].length - lower[b].length || (lower[a] < lower[b] ? -1 : lower[a] > lower[b] ? 1 : a - b);
    return group.sort(byLength).slice(0, k);
  }

  // A search box and its list of hits: the main one centres a function, the
  // second one ("path to") draws the paths to it.
  function combobox(box, list, prefix, choose, reset) {
    let hits = [], active = -1;
    const close = () => {
      list.hidden = true;
      box.setAttribute('aria-expanded', 'false');
    };
    const pick = (v) => {
      close();
      choose(v);
    };
    const show = () => {
      const r = find(box.value);
      hits = r.ids;
      active = hits.length ? 0 : -1;
      clear(list);
      hits.forEach((v, i) => {
        const li = el('li', { role: 'option', id: prefix + i, 'data-id': v, 'aria-selected': i === active ? 'true' : 'false' });
        li.appendChild(el('span', { class: 'name' }, names[v]));
        li.appendChild(el('span', { class: 'where' }, where(v)));
        li.addEventListener('mousedown', (ev) => {
          ev.preventDefault(); // keep the focus until the choice is made
          pick(v);
        });
        list.appendChild(li);
      });
      if (box.value && !hits.length) list.appendChild(el('li', { class: 'more' }, 'no function matches'));
      else if (r.count > hits.length) list.appendChild(el('li', { class: 'more' }, r.count - hits.length + ' more: type more of the name'));
      const open = box.value !== '';
      list.hidden = !open;
      box.setAttribute('aria-expanded', open ? 'true' : 'false');
      if (active >= 0) box.setAttribute('aria-activedescendant', prefix + '0');
      else box.removeAttribute('aria-activedescendant');
    };
    const move = (k) => {
      if (!hits.length) return;
      const old = $(prefix + active);
      if (old) old.setAttribute('aria-selected', 'false');
      active = (active + k + hits.length) % hits.length;
      const li = $(prefix + active);
      li.setAttribute('aria-selected', 'true');
      li.scrollIntoView({ block: 'nearest' });
      box.setAttribute('aria-activedescendant', li.id);
    };
    box.addEventListener('input', show);
    box.addEventListener('keydown', (ev) => {
      if (ev.key === 'ArrowDown' || ev.key === 'ArrowUp') {
        ev.preventDefault();
        move(ev.key === 'ArrowDown' ? 1 : -1);
      } else if (ev.key === 'Enter') {
        ev.preventDefault();
        if (active >= 0) pick(hits[active]);
      } else if (ev.key === 'Escape') {
        close();
        reset();
        if (current) current.nodeEls.get(current.nb.centre).focus({ preventScroll: true });
      }
    });
    box.addEventListener('blur', close);
    return show;
  }

  const search = $('search'), pathBox = $('path-to');
  const showHits = combobox(search, $('results'), 'hit-', (v) => {
    search.value = '';
    go(v);
  }, () => (search.value = ''));
  search.addEventListener('focus', () => {
    if (search.value) showHits();
  });
  // The path box shows the target while there is one.
  const showTarget = () => (pathBox.value = state.to >= 0 ? names[state.to] : '');
  combobox(pathBox, $('path-results'), 'path-hit-', (v) => {
    showTarget();
    go(state.centre, v);
  }, showTarget);
  pathBox.addEventListener('focus', () => pathBox.select());
  pathBox.addEventListener('blur', showTarget);
  $('path-clear').addEventListener('click', () => go(state.centre, -1));

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
