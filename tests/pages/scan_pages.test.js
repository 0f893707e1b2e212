'use strict';
// The results, last-scan and driver-details pages with the texts and calls that
// the program's tests recorded.
const test = require('node:test');
const assert = require('node:assert');
const { launch, openPage, applyContract, contracts } = require('./harness');

function contract(page, state) {
  const found = contracts(page).find((c) => c.state === state);
  assert.ok(found, `no contract ${page} ${state}: run the Wine tests first`);
  return found;
}

async function withPage(t, name, body) {
  const browser = await launch();
  t.after(() => browser.close());
  const { page, errors } = await openPage(browser, name);
  await body(page);
  assert.deepStrictEqual(errors, []);
}

test('results page: a row click hands the program its row, device and state through the hidden form', async (t) => {
  await withPage(t, 'scan_results.htm', async (page) => {
    await applyContract(page, contract('scan_results.htm', 'three-rows'));
    assert.strictEqual(await page.locator('#idTableResultDisplay tr').count(), 3);
    await page.evaluate(() => {
      window.clicked = [];
      ['downloadid', 'learnmoreid', 'ignoreid'].forEach((id) => {
        document.getElementById(id).addEventListener('click', () => window.clicked.push(id));
      });
    });
    const row = page.locator('#idTableResultDisplay tr').nth(2);
    await row.locator('a.restart').click();
    await row.locator('a.ignoreLink').click();
    assert.deepStrictEqual(await page.evaluate(() => window.clicked), ['downloadid', 'ignoreid']);
    const read = await page.evaluate(() => [getcurrentRowid(), getcurrentDriveridid(), getcurrentDownloadid(),
      getcurrentignoreid()]);
    assert.deepStrictEqual(read, [2, 2, 2, 2]);
    await page.locator('#idTableResultDisplay tr').nth(0).locator('a.learnMore').click();
    assert.deepStrictEqual(await page.evaluate(() => [getcurrentRowid(), getcurrentDriveridid(), getcurrentlearnmoreid()]),
      [0, 4, 0]);
    // The rows show the program's values: icon, badge, age bar.
    assert.strictEqual(await row.locator('img.deviceIcon').getAttribute('src'), 'Bluetooth.gif');
    assert.strictEqual(await row.locator('.unplugged').textContent(), 'string404');
    assert.strictEqual(await row.locator('img.ageBar').getAttribute('src'), 'age_bar_6.gif');
    assert.ok(await page.locator('#rowsPanel').isVisible());
    assert.ok(!(await page.locator('#noScanPanel').isVisible()));
  });
});

test('results page: the scan status picks the panel, and clearrows empties the table', async (t) => {
  await withPage(t, 'scan_results.htm', async (page) => {
    await applyContract(page, contract('scan_results.htm', 'no-scan'));
    assert.ok(await page.locator('#noScanPanel').isVisible());
    assert.ok(!(await page.locator('#idButtonTop').isVisible()));
    await applyContract(page, contract('scan_results.htm', 'all-current'));
    assert.ok(await page.locator('#allCurrentPanel').isVisible());
    await applyContract(page, contract('scan_results.htm', 'three-rows'));
    await page.evaluate(() => clearrows());
    assert.strictEqual(await page.locator('#idTableResultDisplay tr').count(), 0);
  });
});

test('results page: texts that look like markup stay text', async (t) => {
  await withPage(t, 'scan_results.htm', async (page) => {
    const row = contract('scan_results.htm', 'three-rows').calls.find((c) => c.function === 'addTableRow');
    const args = row.arguments.slice();
    args[2] = '<img src=x onerror="window.hacked=1">Card & <b>Reader</b>';
    await page.evaluate((a) => addTableRow.apply(window, a), args);
    assert.strictEqual(await page.locator('.deviceName').first().innerText(), args[2]);
    assert.strictEqual(await page.evaluate(() => window.hacked), undefined);
  });
});

test('last-scan page: each stored outcome shows its panel', async (t) => {
  const expected = {
    'outdated-today': '#outdatedPanel',
    'outdated-yesterday': '#outdatedPanel',
    'current-30-days': '#currentPanel',
    'no-scan-31-days': '#noScanPanel',
    'never-scanned': '#noScanPanel',
  };
  await withPage(t, 'last_scan.htm', async (page) => {
    for (const [state, panel] of Object.entries(expected)) {
      await applyContract(page, contract('last_scan.htm', state));
      for (const other of ['#outdatedPanel', '#currentPanel', '#noScanPanel']) {
        assert.strictEqual(await page.locator(other).isVisible(), other === panel, `${state} ${other}`);
      }
    }
    await applyContract(page, contract('last_scan.htm', 'outdated-today'));
    assert.strictEqual(await page.locator('#ageBar').getAttribute('src'), 'age_bar_6.gif');
    assert.strictEqual(await page.locator('#idText3').textContent(), 'IDS_TODAY');
    assert.strictEqual(await page.locator('#idText25').textContent(), 'SCANTAB2USB');
  });
});

test('driver details: the installed driver beside the offered one, header by backup mode', async (t) => {
  await withPage(t, 'driver_details.htm', async (page) => {
    await applyContract(page, contract('driver_details.htm', 'offer'));
    assert.strictEqual(await page.locator('#idtext3').textContent(), 'Card <Reader> & Co');
    assert.strictEqual(await page.locator('#idtext6').textContent(), 'varNewDriverText');
    assert.strictEqual(await page.locator('#available').textContent(), '(varAvailableText)');
    assert.strictEqual(await page.locator('#idtext11').textContent(), '2018-04-02');
    assert.strictEqual(await page.locator('#idtext12').textContent(), '2024-05-06');
    assert.strictEqual(await page.locator('#btnOkText').textContent(), 'IDS_CLOSE');
    assert.strictEqual(await page.locator('#headerImage').getAttribute('src'), 'header_left_bg.jpg');
    await page.evaluate(() => setheaderImg('1'));
    assert.strictEqual(await page.locator('#headerImage').getAttribute('src'), 'header_left_bg_1.jpg');
  });
});
