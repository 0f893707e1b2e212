'use strict';
// Every page and script the program carries: scripts at most ES5 (the pages run in
// the system's browser control), the newest document mode declared, and every
// file a page loads present among the program's resources.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const acorn = require('acorn');
const { PAGES } = require('./harness');

const files = fs.readdirSync(PAGES);
const pages = files.filter((f) => f.endsWith('.htm'));
const resourceScript = fs.readFileSync(path.join(PAGES, 'pages.rc'), 'utf8');

function inlineScripts(markup) {
  const scripts = [];
  const pattern = /<script\b([^>]*)>([\s\S]*?)<\/script>/gi;
  let match;
  while ((match = pattern.exec(markup)) !== null) {
    if (!/\bsrc\s*=/.test(match[1])) scripts.push(match[2]);
  }
  return scripts;
}

function referencedFiles(markup) {
  const names = [];
  const pattern = /<(?:script|link|img)\b[^>]*\b(?:src|href)\s*=\s*"([^"]+)"/gi;
  let match;
  while ((match = pattern.exec(markup)) !== null) names.push(match[1]);
  return names;
}

test('every page script is ES5 at most', () => {
  const sources = files.filter((f) => f.endsWith('.js')).map((f) => [f, fs.readFileSync(path.join(PAGES, f), 'utf8')]);
  for (const page of pages) {
    inlineScripts(fs.readFileSync(path.join(PAGES, page), 'utf8')).forEach((s, i) => sources.push([`${page} #${i + 1}`, s]));
  }
  assert.ok(sources.length > 0);
  for (const [name, source] of sources) {
    assert.doesNotThrow(() => acorn.parse(source, { ecmaVersion: 5 }), (e) => `${name}: ${e && e.message}`);
  }
});

test('the syntax check refuses what the old engine cannot read', () => {
  for (const source of ['let a = 1;', 'var f = () => 1;', 'var s = `x${1}`;', 'const c = 1;', 'class A {}']) {
    assert.throws(() => acorn.parse(source, { ecmaVersion: 5 }), source);
  }
});

test('every page asks for the newest document mode and loads only resources the program carries', () => {
  for (const page of pages) {
    const markup = fs.readFileSync(path.join(PAGES, page), 'utf8');
    assert.match(markup, /<meta\s+http-equiv="X-UA-Compatible"\s+content="IE=edge"\s*\/?>/i, page);
    for (const name of referencedFiles(markup)) {
      if (name === '#' || /^https?:/i.test(name)) continue;
      assert.ok(!name.includes('/'), `${page}: ${name} must lie beside the page`);
      const listed = new RegExp(`^\\s*${name.replace(/\./g, '\\.')}\\s+HTML\\s`, 'im');
      assert.match(resourceScript, listed, `${page}: ${name} is not a resource (written in upper case, unquoted)`);
    }
  }
});

test('every file beside the pages is a resource', () => {
  for (const file of files) {
    if (file === 'pages.rc' || file === 'CMakeLists.txt') continue;
    assert.ok(resourceScript.includes(`"${file}"`), `${file} is not listed in pages.rc`);
  }
});
