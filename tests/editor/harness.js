'use strict';

// Drives the editor page in Debian's headless Chromium the way the program does: it
// evaluates setContent/exec/currentLink expressions with JSON string literals and reads the
// messages the page posts to the fake host.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');
const { installFakeHost } = require('./fake-host');

const EDITOR_URL = pathToFileURL(
    path.resolve(__dirname, '../../resources/Editor/editor.html')).href;
// Qt's own client of the web channel, as the page gets it from qrc:. Playwright runs init
// scripts inside a function, so its global is made global by hand.
const QWEBCHANNEL_JS = fs.readFileSync(require.resolve('qwebchannel/qwebchannel.js'), 'utf8')
    + '\nwindow.QWebChannel = QWebChannel;\n';

// This machine has no network: keep Chromium from reaching for one.
const CHROMIUM_FLAGS = [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
];

// The id of the document a test shows, and the state of unformatted text.
const ID = '6F9619FF-8B86-D011-B42D-00C04FC964FF';
const NONE = { bold: false, italic: false, underline: false, strike: false, ul: false, ol: false, link: false };

// A string as the program writes it into an expression: a JSON string literal, with the
// solidus escaped too.
function literal(text) {
    return JSON.stringify([text]).slice(1, -1).replace(/\//g, '\\/');
}

class EditorPage {
    constructor(page) {
        this.page = page;
        this.errors = []; // uncaught exceptions and rejections in the page
        page.on('pageerror', (error) => this.errors.push(error));
    }

    // Opens the page; unless options.hold, waits for its "ready". options.colorScheme picks
    // light or dark; options.texts are the page's words, as the program publishes them.
    static async open(context, options = {}) {
        const page = await context.newPage();
        const editor = new EditorPage(page);
        await page.emulateMedia({ colorScheme: options.colorScheme || 'light' });
        await page.addInitScript({ content: QWEBCHANNEL_JS });
        await page.addInitScript(installFakeHost, {
            hold: Boolean(options.hold), texts: options.texts || null,
        });
        await page.goto(EDITOR_URL);
        if (!options.hold) await editor.waitForMessage((m) => m.type === 'ready');
        return editor;
    }

    // --- what the program does

    setContent(html, id = ID) {
        return this.page.evaluate(`setContent(${literal(html)}, ${literal(id)})`);
    }

    exec(command, value = null) {
        const arg = value === null ? 'null' : literal(value);
        return this.page.evaluate(`exec(${literal(command)}, ${arg})`);
    }

    currentLink() {
        return this.page.evaluate('currentLink()');
    }

    // --- what the program receives

    // Lets events the browser has queued (such as selectionchange) run before reading.
    async settle() {
        await this.page.evaluate(() => new Promise((resolve) => {
            requestAnimationFrame(() => setTimeout(resolve, 0));
        }));
    }

    async messages() {
        await this.settle();
        return this.page.evaluate(() => window.fakeHost.messages);
    }

    async waitForMessage(predicate) {
        const source = predicate.toString();
        await this.page.waitForFunction(
            (src) => window.fakeHost.messages.some(eval(src)), source, { polling: 'raf' });
    }

    async changes() {
        return (await this.messages()).filter((m) => m.type === 'change').map((m) => m.payload);
    }

    async states() {
        return (await this.messages()).filter((m) => m.type === 'state').map((m) => m.payload);
    }

    // The HTML of the last "change" message.
    async lastHtml() {
        const changes = await this.changes();
        return changes.length ? changes[changes.length - 1].html : null;
    }

    // --- what the user does

    async focus() {
        await this.page.focus('#editor');
    }

    // Selects the text `needle` (its nth occurrence in one text node of the editor), or from
    // `needle` to `until` when given; with `offset`, puts the caret that far into `needle`.
    async select(needle, { until = null, nth = 0, offset = null } = {}) {
        await this.focus();
        await this.page.evaluate(([needle, until, nth, offset]) => {
            const editor = document.getElementById('editor');
            const find = (text, n) => {
                const walker = document.createTreeWalker(editor, NodeFilter.SHOW_TEXT);
                for (let node; (node = walker.nextNode());) {
                    for (let at = node.data.indexOf(text); at >= 0; at = node.data.indexOf(text, at + 1)) {
                        if (n-- === 0) return [node, at];
                    }
                }
                throw new Error('no text ' + JSON.stringify(text) + ' in the editor');
            };
            const [startNode, start] = find(needle, nth);
            if (offset !== null) {
                getSelection().collapse(startNode, start + offset);
                return;
            }
            const [endNode, end] = until === null ? [startNode, start] : find(until, 0);
            const range = document.createRange();
            range.setStart(startNode, start);
            range.setEnd(endNode, end + (until === null ? needle : until).length);
            getSelection().removeAllRanges();
            getSelection().addRange(range);
        }, [needle, until, nth, offset]);
        await this.settle();
    }

    // Puts the caret `offset` characters into the text `needle` (by default after it).
    caret(needle, offset = needle.length) {
        return this.select(needle, { offset });
    }

    async type(text) {
        await this.page.keyboard.type(text);
        await this.settle();
    }

    async press(keys) {
        await this.page.keyboard.press(keys);
        await this.settle();
    }

    // A paste event as the browser sends it, with the given clipboard flavours. Returns
    // whether the page took the paste over from the browser.
    async paste({ html = null, text = null }) {
        const taken = await this.page.evaluate(([html, text]) => {
            const data = new DataTransfer();
            if (html !== null) data.setData('text/html', html);
            if (text !== null) data.setData('text/plain', text);
            const event = new ClipboardEvent('paste', {
                clipboardData: data, bubbles: true, cancelable: true,
            });
            const at = getSelection().anchorNode;
            (at.nodeType === Node.ELEMENT_NODE ? at : at.parentNode).dispatchEvent(event);
            return event.defaultPrevented;
        }, [html, text]);
        await this.settle();
        return taken;
    }

    // The text of the editor as the user sees it.
    visibleText() {
        return this.page.evaluate(() => document.getElementById('editor').innerText);
    }
}

// A headless Chromium with a profile of its own, gone when closed.
async function launchBrowser() {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quillo-editor-chromium-'));
    const context = await chromium.launchPersistentContext(profile, {
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        headless: true,
        args: CHROMIUM_FLAGS,
        viewport: { width: 640, height: 400 },
    });
    return {
        context,
        async close() {
            await context.close();
            fs.rmSync(profile, { recursive: true, force: true });
        },
    };
}

// Hooks for a test file: one browser for the file, a fresh page per test, and after each
// test a check that the page threw nothing and sent the host nothing it would not take.
// The page opener takes the options of EditorPage.open, or the HTML to show as document ID.
function editorSuite() {
    const assert = require('node:assert/strict');
    const { before, after, afterEach } = require('node:test');
    let browser = null;
    const opened = [];
    before(async () => {
        browser = await launchBrowser();
    });
    after(async () => {
        if (browser) await browser.close();
    });
    afterEach(async () => {
        for (const editor of opened.splice(0)) {
            const faults = await editor.page.evaluate(() => window.fakeHost.faults);
            const errors = editor.errors.map(String);
            await editor.page.close();
            assert.deepEqual({ errors, faults }, { errors: [], faults: [] });
        }
    });
    return async (options = {}) => {
        const html = typeof options === 'string' ? options : null;
        const editor = await EditorPage.open(browser.context, html === null ? options : {});
        opened.push(editor);
        if (html !== null) await editor.setContent(html);
        return editor;
    };
}

module.exports = { editorSuite, launchBrowser, EditorPage, EDITOR_URL, ID, NONE };
