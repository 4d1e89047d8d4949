// The page side of the automated browser. Installed once per page in the
// automation's own script world, it hands out the page's objects as handles
// ("<page token>:<number>") and reads, writes and calls their members by
// name, in any letter case. Answers are {t: kind, v: value, h: handle}:
// "s" text, "i" whole number, "b" boolean, "n" null, "-" nothing,
// "o" object, "e" failure.
(function () {
  if (window.__rlAgent) return window.__rlAgent;
  var token = Math.random().toString(36).slice(2) + Date.now().toString(36);
  var objects = [];
  var ids = new Map();
  var VOID = {area: 1, base: 1, br: 1, col: 1, embed: 1, frame: 1, hr: 1, img: 1, input: 1, link: 1,
              meta: 1, param: 1, source: 1, track: 1, wbr: 1, basefont: 1, isindex: 1};

  function fail(message) { throw new Error(message); }
  function unsupported(name) { fail("Object doesn't support this property or method: " + name); }
  function isAll(value) { return Object.prototype.toString.call(value) === '[object HTMLAllCollection]'; }
  function isWindow(o) {
    try { return o !== null && typeof o === 'object' && o.window === o; } catch (e) { return false; }
  }
  function isForm(o) { return o && o.nodeType === 1 && o.tagName === 'FORM'; }

  function wrap(value) {
    if (isAll(value)) return handleOf(value);
    if (value === undefined) return {t: '-'};
    if (value === null) return {t: 'n'};
    switch (typeof value) {
      case 'string': return {t: 's', v: value};
      case 'boolean': return {t: 'b', v: value};
      case 'number': return Number.isInteger(value) ? {t: 'i', v: value} : {t: 's', v: String(value)};
      case 'object': case 'function': return handleOf(value);
      default: return {t: 's', v: String(value)};
    }
  }
  function handleOf(value) {
    var id = ids.get(value);
    if (id === undefined) {
      id = objects.length;
      objects.push(value);
      ids.set(value, id);
    }
    return {t: 'o', h: token + ':' + id};
  }
  function unwrap(handle) {
    var parts = String(handle).split(':');
    if (parts.length !== 2 || parts[0] !== token) fail('The object belongs to a page that is no longer shown');
    var o = objects[Number(parts[1])];
    if (o === undefined) fail('Unknown object');
    return o;
  }
  function findKey(o, name) {
    if (name in o) return name;
    var lower = name.toLowerCase();
    if (lower in o) return lower;
    var camel = name.charAt(0).toLowerCase() + name.slice(1);
    if (camel in o) return camel;
    for (var key in o) if (key.toLowerCase() === lower) return key;
    return null;
  }

  // Markup as the site logic reads it: upper-case tags, attributes in
  // source order, plain values bare, others in double quotes.
  function plain(v) { return /^[A-Za-z0-9_.\-]+$/.test(v); }
  function escapeText(t) { return t.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;'); }
  function write(n, out) {
    if (n.nodeType === 3) {
      var p = n.parentNode;
      var raw = p && (p.nodeName === 'SCRIPT' || p.nodeName === 'STYLE');
      out.push(raw ? n.data : escapeText(n.data));
      return;
    }
    if (n.nodeType === 8) { out.push('<!--' + n.data + '-->'); return; }
    if (n.nodeType !== 1) { writeChildren(n, out); return; }
    var tag = n.tagName.toUpperCase();
    out.push('<' + tag);
    for (var i = 0; i < n.attributes.length; i++) {
      var a = n.attributes[i];
      out.push(' ' + a.name + '=' + (plain(a.value) ? a.value : '"' + a.value.replace(/"/g, '&quot;') + '"'));
    }
    out.push('>');
    if (VOID[n.tagName.toLowerCase()]) return;
    writeChildren(n.tagName === 'TEMPLATE' ? n.content : n, out);
    out.push('</' + tag + '>');
  }
  function writeChildren(n, out) { for (var c = n.firstChild; c; c = c.nextSibling) write(c, out); }
  function markup(n, outer) {
    var out = [];
    if (outer) write(n, out); else writeChildren(n, out);
    return out.join('');
  }

  function get(o, name) {
    var lower = name.toLowerCase();
    if (o.nodeType === 9) {
      if (lower === 'frames') return o.defaultView;
      if (lower === 'all') return o.all;
    }
    if (isWindow(o)) {
      if (lower === 'document') return o.document;
      if (lower === 'length') return o.length;
    }
    if (o.nodeType === 1) {
      if (lower === 'innerhtml') return markup(o, false);
      if (lower === 'outerhtml') return markup(o, true);
    }
    var key = findKey(o, name);
    if (key !== null) return o[key];
    if (o.nodeType === 1) return o.getAttribute(name);
    unsupported(name);
  }
  function put(o, name, value) {
    var key = findKey(o, name);
    if (key !== null && typeof o[key] !== 'function') { o[key] = value; return; }
    if (o.nodeType === 1) { o.setAttribute(name, value); return; }
    unsupported(name);
  }
  function call(o, name, args) {
    var lower = name.toLowerCase();
    if (lower === 'item') {
      var key = args[0];
      if (isWindow(o)) return o[key];
      if (isForm(o)) return typeof key === 'number' ? o.elements.item(key) : o.elements.namedItem(key);
      if (typeof key === 'number') return o.item ? o.item(key) : o[key];
      return o.namedItem ? o.namedItem(key) : o[key];
    }
    if (lower === 'click' && o.nodeType === 1) { o.click(); return undefined; }
    if (lower === 'submit' && isForm(o)) { HTMLFormElement.prototype.submit.call(o); return undefined; }
    var found = findKey(o, name);
    if (found !== null && typeof o[found] === 'function') return o[found].apply(o, args);
    unsupported(name);
  }

  function run(request) {
    try {
      if (request.op === 'document') return wrap(document);
      var o = unwrap(request.h);
      if (o === null || o === undefined) fail('No object');
      if (request.op === 'get') return wrap(get(o, request.name));
      if (request.op === 'put') { put(o, request.name, request.value); return {t: '-'}; }
      if (request.op === 'call') return wrap(call(o, request.name, request.args || []));
      fail('Unknown operation ' + request.op);
    } catch (e) {
      return {t: 'e', v: (e && e.message) ? e.message : String(e)};
    }
  }

  window.__rlAgent = {run: run};
  return window.__rlAgent;
})()
