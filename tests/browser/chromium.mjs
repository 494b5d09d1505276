// Debian's Chromium, headless, in a profile of its own that close() removes: the one way
// the browser tests start it.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

export async function launchChromium() {
  const profile = mkdtempSync(join(tmpdir(), 'arx-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.ARX_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1280, height: 1000 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-quic',
      '--no-first-run', '--disable-component-update', '--disable-sync'],
  });
  const page = context.pages()[0] || await context.newPage();
  return {
    page,
    newPage: () => context.newPage(),
    async close() {
      await context.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}
