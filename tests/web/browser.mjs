// What the browser tests and the browser benchmark share: the npm package folder served on 127.0.0.1
// (an AudioWorklet module must come over http, and so must the page), and a page of Debian's Chromium
// (headless, through puppeteer-core from the tests' npm folder) that reports its errors.
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { extname, join, normalize, resolve } from 'node:path';

const kTypes = { '.js': 'text/javascript', '.html': 'text/html', '.wasm': 'application/wasm', '.json': 'application/json' };

// The package folder over http (an AudioWorklet module must come over http), and an empty page.
function serve(root) {
  const server = createServer((req, res) => {
    const path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (path === '/favicon.ico') {
      res.writeHead(204).end();
      return;
    }
    if (path === '/blank.html') {
      res.writeHead(200, { 'content-type': 'text/html' }).end('<!doctype html><title>blank</title>');
      return;
    }
    try {
      const body = readFileSync(join(root, path));
      res.writeHead(200, { 'content-type': kTypes[extname(path)] || 'application/octet-stream' }).end(body);
    } catch {
      res.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function browser(npmFolder) {
  const puppeteer = createRequire(resolve(npmFolder, 'package.json'))('puppeteer-core');
  return puppeteer.launch({
    executablePath: process.env.VIBREL_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--disable-gpu'],
  });
}

// Runs job(page, origin, errors) on a page of a browser serving the package folder root.
export async function withPage(npmFolder, root, job) {
  const server = await serve(root);
  const b = await browser(npmFolder);
  try {
    const page = await b.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
    return await job(page, `http://127.0.0.1:${server.address().port}`, errors);
  } finally {
    await b.close();
    server.close();
  }
}
