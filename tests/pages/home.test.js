'use strict';
// The home page in each stored scan condition, with the texts and calls that the
// home screen's Wine-run test recorded; a picture of each.
const test = require('node:test');
const assert = require('node:assert');
const { launch, openPage, applyContract, contracts, screenshot } = require('./harness');

const expected = {
  'not-scanned': { icon: 'homeAttention_alert_icon.jpg', fix: false, state: 'attention' },
  'outdated-one': { icon: 'homeAttention_alert_icon.jpg', fix: true, state: 'attention' },
  'outdated-five': { icon: 'homeAttention_alert_icon.jpg', fix: true, state: 'attention' },
  'up-to-date': { icon: 'HomeUptodate_tick_icon.jpg', fix: false, state: 'good' },
  'stale-scan-and-bad-values': { icon: 'homeAttention_alert_icon.jpg', fix: false, state: 'attention' },
};

test('home page: each scan condition shows its alert, figures and images, and fits', async (t) => {
  const found = contracts('home.htm');
  assert.ok(found.length >= Object.keys(expected).length, 'no home page contracts: run the Wine tests first');
  const browser = await launch();
  t.after(() => browser.close());
  for (const contract of found) {
    const want = expected[contract.state];
    assert.ok(want, `unexpected state ${contract.state}`);
    const left = [];
    const { page, errors, context } = await openPage(browser, 'home.htm', left);
    await applyContract(page, contract);
    const status = contract.calls.find((c) => c.function === 'setText').arguments;
    assert.strictEqual(await page.locator('#idAlertText').innerText(), status[0], contract.state);
    assert.strictEqual(await page.locator('#idLastScanDate').innerText(), status[3], contract.state);
    assert.strictEqual(await page.locator('#idAlertIcon').getAttribute('src'), want.icon, contract.state);
    assert.strictEqual(await page.locator('#fixLine').isVisible(), want.fix, contract.state);
    assert.ok(await page.locator('#homePanel').evaluate((e, s) => e.classList.contains(s), want.state));
    assert.ok(await page.locator('#btnStartScanNow').isVisible(), contract.state);
    // Every image the page names loads from the program's own files.
    const broken = await page.evaluate(() =>
      Array.from(document.images).filter((i) => !i.complete || i.naturalWidth === 0).map((i) => i.src));
    assert.deepStrictEqual(broken, [], contract.state);
    const overflow = await page.evaluate(() => document.documentElement.scrollHeight - window.innerHeight);
    assert.ok(overflow <= 0, `${contract.state}: overflows by ${overflow}px`);
    await screenshot(page, `home-${contract.state}`);
    assert.deepStrictEqual(errors, []);
    assert.deepStrictEqual(left, []);
    await context.close();
  }
});

test('home page: texts that look like markup stay text', async (t) => {
  const [contract] = contracts('home.htm');
  const browser = await launch();
  t.after(() => browser.close());
  const { page } = await openPage(browser, 'home.htm');
  await applyContract(page, contract);
  const status = contract.calls.find((c) => c.function === 'setText').arguments.slice();
  status[0] = '<img src=x onerror="window.hacked=1">Alert & <b>more</b>';
  await page.evaluate((a) => setText.apply(window, a), status);
  assert.strictEqual(await page.locator('#idAlertText').innerText(), status[0]);
  assert.strictEqual(await page.evaluate(() => window.hacked), undefined);
});
