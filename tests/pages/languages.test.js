'use strict';
// Every page state recorded with the program's own language files, in English,
// German (long words) and Japanese (its script): the page takes its calls, shows
// words rather than text keys, cuts no text, and leaves a picture for a person.
const test = require('node:test');
const assert = require('node:assert');
const { launch, openPage, applyContract, languageContracts, cutTexts, screenshot } = require('./harness');

const LANGUAGES = ['en', 'de', 'ja'];
// How a text key of the language files looks, should one reach the page.
const KEY = /\b(IDS_[A-Z0-9_]+|[Ss]tring\d+|var[A-Z]\w+|SCANTAB\w+|N_ERR_DONOTTRANSLATE|N_OF_DAYS_DONOTTRANSLATE)\b/;

const all = languageContracts();

test('every recorded page state is there in English, German and Japanese', () => {
  assert.ok(all.length > 0, 'no page states in the program\'s languages: run the Wine tests first');
  const languagesOf = new Map();
  for (const c of all) {
    const key = `${c.page} ${c.state}`;
    if (!languagesOf.has(key)) languagesOf.set(key, new Set());
    languagesOf.get(key).add(c.language);
  }
  for (const [key, languages] of languagesOf) assert.deepStrictEqual([...languages].sort(), [...LANGUAGES].sort(), key);
});

test('every page in every language shows words and cuts no text', async (t) => {
  const browser = await launch();
  t.after(() => browser.close());
  for (const contract of all) {
    await t.test(`${contract.page} ${contract.state} ${contract.language}`, async () => {
      const left = [];
      const { page, context, errors } = await openPage(browser, contract.page, left);
      try {
        await applyContract(page, contract);
        await screenshot(page, `${contract.page.replace(/\.htm$/, '')}-${contract.state}-${contract.language}`);
        assert.deepStrictEqual(errors, []);
        assert.deepStrictEqual(left, []);
        const shown = await page.evaluate(() => document.body.innerText);
        assert.doesNotMatch(shown, KEY);
        assert.deepStrictEqual(await cutTexts(page), []);
      } finally {
        await context.close();
      }
    });
  }
});

test('the cut-text check finds what is cut and passes an ellipsis with its tooltip', async (t) => {
  const browser = await launch();
  t.after(() => browser.close());
  const cases = [
    { name: 'clipped by its box', markup: '<div style="width:60px;overflow:hidden;white-space:nowrap">A text far too long</div>', cut: true },
    { name: 'clipped by an ancestor', markup: '<div style="width:60px;overflow:hidden"><span style="white-space:nowrap">A text far too long</span></div>', cut: true },
    { name: 'spills out of its box', markup: '<div style="width:60px;height:16px;white-space:nowrap">A text far too long</div>', cut: true },
    { name: 'past the window', markup: '<div style="position:absolute;left:380px;white-space:nowrap">A text far too long</div>', cut: true },
    { name: 'ellipsis without tooltip', markup: '<div style="width:60px;overflow:hidden;white-space:nowrap;text-overflow:ellipsis">A text far too long</div>', cut: true },
    { name: 'ellipsis with a tooltip of another text', markup: '<div title="Other" style="width:60px;overflow:hidden;white-space:nowrap;text-overflow:ellipsis">A text far too long</div>', cut: true },
    { name: 'ellipsis with the full text as tooltip', markup: '<div title="A text far too long" style="width:60px;overflow:hidden;white-space:nowrap;text-overflow:ellipsis">A text far too long</div>', cut: false },
    { name: 'fits', markup: '<div style="width:300px;overflow:hidden;white-space:nowrap">A short text</div>', cut: false },
    { name: 'cut sideways in a list that scrolls down', markup: '<div style="width:60px;height:20px;overflow-x:hidden;overflow-y:auto"><p style="white-space:nowrap">A text far too long</p><p>Two</p></div>', cut: true },
    { name: 'in a list that scrolls', markup: '<div style="height:20px;overflow:auto"><p>One</p><p>Two</p><p>Three</p></div>', cut: false },
    { name: 'hidden', markup: '<div style="display:none;width:10px;overflow:hidden">A text far too long</div>', cut: false },
  ];
  const context = await browser.newContext({ viewport: { width: 400, height: 200 } });
  const page = await context.newPage();
  for (const c of cases) {
    await page.setContent(`<!DOCTYPE html><html><body style="margin:0;font:13px sans-serif">${c.markup}</body></html>`);
    const found = await cutTexts(page);
    assert.strictEqual(found.length > 0, c.cut, `${c.name}: ${found.join('; ')}`);
  }
  await context.close();

  // A real page: the German results with the unplugged badge's text made too long.
  const contract = all.find((c) => c.page === 'scan_results.htm' && c.state === 'three-rows' && c.language === 'de');
  assert.ok(contract, 'no German results page state: run the Wine tests first');
  const { page: results } = await openPage(browser, contract.page);
  await applyContract(results, contract);
  assert.deepStrictEqual(await cutTexts(results), []);
  await results.evaluate(() => {
    const badge = document.querySelector('#idTableResultDisplay .unplugged');
    badge.textContent = 'Nichtangeschlossenundnichtmehrauffindbarseitdemletzten' + badge.textContent;
  });
  const found = await cutTexts(results);
  assert.ok(found.some((f) => f.includes('unplugged')), found.join('; '));
});
