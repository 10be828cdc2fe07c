'use strict';

// What the page does on its own: formatting keys, paste and drop, links that do not
// navigate, and currentLink.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { editorSuite, EDITOR_URL, NONE } = require('./harness');

const open = editorSuite();

test('Ctrl+B, Ctrl+I and Ctrl+U format the selection, or what is typed next, and take it off', async () => {
    const editor = await open('<div>one two three</div>');
    await editor.select('two');
    await editor.press('Control+B');
    assert.equal(await editor.lastHtml(), '<div>one <b>two</b> three</div>');
    await editor.press('Control+I');
    assert.equal(await editor.lastHtml(), '<div>one <b><i>two</i></b> three</div>');
    await editor.press('Control+U');
    assert.equal(await editor.lastHtml(), '<div>one <u><b><i>two</i></b></u> three</div>');
    assert.deepEqual((await editor.states()).slice(-1),
        [Object.assign({}, NONE, { bold: true, italic: true, underline: true })]);
    for (const key of ['B', 'I', 'U']) await editor.press(`Control+${key}`);
    assert.equal(await editor.lastHtml(), '<div>one two three</div>');
    assert.deepEqual((await editor.states()).slice(-1), [NONE]);
    await editor.caret('three');
    await editor.press('Control+I');
    assert.deepEqual((await editor.states()).slice(-1), [Object.assign({}, NONE, { italic: true })]);
    await editor.type('X');
    assert.equal(await editor.lastHtml(), '<div>one two three<i>X</i></div>');
});

// Clipboard HTML as a browser puts it there when copying from a web page.
const WEB_PAGE = '<html><head><meta charset="utf-8"><style>p{color:red}</style>'
    + '<script>window.ran = 1</script></head><body><!--StartFragment-->'
    + '<h2 class="title" id="t" onclick="window.ran = 2">Title</h2>'
    + '<p style="margin:0;font-family:Arial;color:#202124;font-size:13.333px">Hello <strong>bold</strong> '
    + 'and <em>it</em>, <span style="color:rgb(215, 0, 21);font-size:13px" onclick="window.ran = 3">red'
    + '</span>.</p>\n<p><a href="javascript:window.ran = 4">bad link</a> '
    + '<a href="https://example.com/x?a=1&amp;b=2" target="_blank" style="color:#1a0dab">good link</a>'
    + '<img src="x.png" onerror="window.ran = 5"></p>\n'
    + '<ul class="list"><li>one</li><li><u>two</u></li></ul>'
    + '<table><tr><td>c1</td><td>c2</td></tr></table><!--EndFragment--></body></html>';

test('pasted HTML keeps only what a snippet can hold', async () => {
    const editor = await open('<div><br></div>');
    await editor.focus();
    assert.equal(await editor.paste({ html: WEB_PAGE, text: 'the text flavour' }), true);
    assert.equal(await editor.lastHtml(),
        '<div><b>Title</b></div><div>Hello <b>bold</b> and <i>it</i>, '
        + '<span style="color:#d70015">red</span>.</div>'
        + '<div>bad link <a href="https://example.com/x?a=1&amp;b=2">good link</a></div>'
        + '<ul><li>one</li><li><u>two</u></li></ul><div>c1 c2</div>');
    assert.equal(await editor.page.evaluate(() => window.ran), undefined);
    // Nothing else reached the editor's own DOM either.
    const stray = await editor.page.evaluate(() => document.getElementById('editor')
        .querySelectorAll('img, script, style, [class], [id], [onclick], h2, p, table').length);
    assert.equal(stray, 0);
});

test('pasted HTML of one line joins the line at the caret, spaces at its ends included', async () => {
    const editor = await open('<div>one <b>two</b> three</div>');
    await editor.caret('one ');
    await editor.paste({ html: '<meta charset="utf-8"><span style="color:#248a3d">green</span> ', text: 'green ' });
    // Pasted HTML keeps its own formatting: not bold inside bold text.
    await editor.caret('two', 1);
    await editor.paste({ html: '<meta charset="utf-8"><span style="color:#202124"> </span><i>x</i>', text: ' x' });
    assert.equal(await editor.lastHtml(),
        '<div>one <span style="color:#248a3d">green</span> <b>t</b> <i>x</i><b>wo</b> three</div>');
});

test('pasted plain text is typed text: lines as lines, in the caret\'s formatting', async () => {
    const editor = await open('<div>one two</div><div><b>bold</b></div>');
    await editor.caret('one ');
    await editor.paste({ text: 'first\r\nsecond <tag> & "q"\n\nfourth ' });
    assert.equal(await editor.lastHtml(),
        '<div>one first</div><div>second &lt;tag&gt; &amp; &quot;q&quot;</div><div><br></div>'
        + '<div>fourth two</div><div><b>bold</b></div>');
    await editor.caret('bold', 2);
    await editor.paste({ text: '{{date}}' });
    assert.equal(await editor.lastHtml(),
        '<div>one first</div><div>second &lt;tag&gt; &amp; &quot;q&quot;</div><div><br></div>'
        + '<div>fourth two</div><div><b>bo{{date}}ld</b></div>');
});

test('pasted HTML with nothing to keep falls back to its text, else inserts nothing', async () => {
    const editor = await open('<div>one</div>');
    await editor.caret('one');
    await editor.paste({ html: '<img src="a.png"><script>window.ran = 1</script>', text: ' alt' });
    assert.equal(await editor.lastHtml(), '<div>one alt</div>');
    assert.equal(await editor.paste({ html: '<img src="b.png">', text: '' }), true);
    assert.equal((await editor.changes()).length, 1);
    assert.equal(await editor.page.evaluate(() => window.ran), undefined);
});

test('Ctrl+V pastes through the same cleaning as a paste event', async () => {
    const editor = await open();
    await editor.page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
    await editor.setContent('<div>one</div>');
    await editor.caret('one');
    await editor.page.evaluate(() => navigator.clipboard.write([new ClipboardItem({
        'text/html': new Blob(['<p class="x"><strong>Big</strong> <font color="#0040DD" face="Arial">blue</font></p>'
            + '<p>next</p>'], { type: 'text/html' }),
        'text/plain': new Blob(['Big blue\nnext'], { type: 'text/plain' }),
    })]));
    await editor.press('Control+V');
    assert.equal(await editor.lastHtml(),
        '<div>one<b>Big</b> <span style="color:#0040dd">blue</span></div><div>next</div>');
});

test('dropped HTML is cleaned like pasted HTML', async () => {
    const editor = await open('<div>one two</div>');
    const box = await editor.page.evaluate(() => {
        const text = document.getElementById('editor').firstChild.firstChild;
        const range = document.createRange();
        range.setStart(text, 4);
        range.setEnd(text, 4);
        const rect = range.getBoundingClientRect();
        return { x: rect.left, y: rect.top + rect.height / 2 };
    });
    const taken = await editor.page.evaluate(({ x, y }) => {
        const data = new DataTransfer();
        data.setData('text/html', '<em class="e" style="color:#c93400">dropped</em><img src="x.png">');
        data.setData('text/plain', 'dropped');
        const target = document.elementFromPoint(x, y);
        const options = { dataTransfer: data, clientX: x, clientY: y, bubbles: true, cancelable: true };
        target.dispatchEvent(new DragEvent('dragover', options));
        const drop = new DragEvent('drop', options);
        target.dispatchEvent(drop);
        return drop.defaultPrevented;
    }, box);
    assert.equal(taken, true);
    await editor.settle();
    assert.equal(await editor.lastHtml(), '<div>one <span style="color:#c93400"><i>dropped</i></span>two</div>');
});

test('clicking a link edits, never navigates', async () => {
    const editor = await open('<div>go <a href="https://example.invalid/away">there</a> now</div>');
    const requests = [];
    editor.page.on('request', (request) => requests.push(request.url()));
    const pagesBefore = editor.page.context().pages().length;
    const link = editor.page.locator('#editor a');
    await link.click();
    await link.click({ button: 'middle' });
    await link.click({ modifiers: ['Control'] });
    await link.click({ modifiers: ['Shift'] });
    await editor.settle();
    assert.equal(editor.page.url(), EDITOR_URL);
    assert.equal(editor.page.context().pages().length, pagesBefore);
    assert.deepEqual(requests, []);
    // The click put the caret in the link.
    assert.equal(await editor.currentLink(), 'https://example.invalid/away');
    assert.deepEqual((await editor.states()).slice(-1), [Object.assign({}, NONE, { link: true })]);
});

test('currentLink: the address at the selection, raw, or the empty string', async () => {
    const editor = await open();
    assert.equal(await editor.currentLink(), ''); // no selection at all
    await editor.setContent(
        '<div>before <a href="https://e.example/?a=1&amp;b=&quot;2&quot;">inside link</a> after '
        + '<a href="file:///tmp/notes.txt"><b>bold link</b></a></div>');
    await editor.caret('before', 2);
    assert.equal(await editor.currentLink(), '');
    await editor.caret('inside', 3);
    assert.equal(await editor.currentLink(), 'https://e.example/?a=1&b="2"');
    await editor.select('after');
    assert.equal(await editor.currentLink(), '');
    await editor.select('before', { until: 'inside' });
    assert.equal(await editor.currentLink(), 'https://e.example/?a=1&b="2"');
    await editor.select('after', { until: 'bold' });
    assert.equal(await editor.currentLink(), 'file:///tmp/notes.txt');
});
