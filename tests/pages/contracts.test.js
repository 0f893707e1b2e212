'use strict';
// Every page state that the Wine-run tests wrote out: the page takes the
// program's texts and calls without a script error, shows each text as text, and
// leaves a screenshot.
const test = require('node:test');
const assert = require('node:assert');
const { launch, openPage, applyContract, contracts, screenshot } = require('./harness');

const all = contracts();

test('the program side wrote page contracts', () => {
  assert.ok(all.length > 0, 'no page contracts: run the Wine tests first');
});

test('every page state loads, takes its texts and calls, and shows the texts', async (t) => {
  const browser = await launch();
  t.after(() => browser.close());
  for (const contract of all) {
    await t.test(`${contract.page} ${contract.state}`, async () => {
      const left = [];
      const { page, context, errors } = await openPage(browser, contract.page, left);
      try {
        await applyContract(page, contract);
        for (const [id, text] of Object.entries(contract.elementTexts)) {
          const shown = await page.evaluate((i) => document.getElementById(i).textContent, id);
          assert.strictEqual(shown, text, id);
        }
        await screenshot(page, `${contract.page.replace(/\.htm$/, '')}-${contract.state}`);
        assert.deepStrictEqual(errors, []);
        assert.deepStrictEqual(left, []);
      } finally {
        await context.close();
      }
    });
  }
});
