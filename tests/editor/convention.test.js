'use strict';

// The HTML the page gives back: the program's convention for every kind of markup, whatever
// form the content came in, and round trips through setContent and editing.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { editorSuite, ID } = require('./harness');

const open = editorSuite();

// What the page makes of `html` once anything is edited: the content goes in after a first
// line "start", an exclamation mark is typed after that word, and the first line is taken
// off the posted HTML again.
async function normalised(editor, html) {
    await editor.setContent('<div>start</div>' + html);
    await editor.caret('start');
    await editor.type('!');
    const posted = await editor.lastHtml();
    assert.ok(posted.startsWith('<div>start!</div>'), posted);
    return posted.slice('<div>start!</div>'.length);
}

const CASES = [
    ['lines and an empty line', '<div>a</div><div><br></div><div>b</div>',
        '<div>a</div><div><br></div><div>b</div>'],
    ['text outside any element is a line', 'loose text', '<div>loose text</div>'],
    ['paragraphs, headings and line breaks become lines',
        '<p>one<br>two</p><h1>three</h1><div>four<br><br></div><div>five<br></div>',
        '<div>one</div><div>two</div><div>three</div><div>four</div><div><br></div><div>five</div>'],
    ['strong, em, ins, strike and del become b, i, u and s',
        '<div><strong>a</strong><em>b</em><ins>c</ins><strike>d</strike><del>e</del></div>',
        '<div><b>a</b><i>b</i><u>c</u><s>de</s></div>'],
    ['formatting by style attributes becomes elements',
        '<div><span style="font-weight:700">a</span><span style="font-style:italic">b</span>'
        + '<span style="text-decoration:underline">c</span>'
        + '<span style="text-decoration-line:line-through">d</span></div>',
        '<div><b>a</b><i>b</i><u>c</u><s>d</s></div>'],
    ['one nesting order: link, size, colour, s, u, b, i',
        '<div><i><b><u><s><span style="color:#d70015"><span style="font-size:18px">'
        + '<a href="https://e.example/">x</a></span></span></s></u></b></i></div>',
        '<div><a href="https://e.example/"><span style="font-size:18px"><span style="color:#d70015">'
        + '<s><u><b><i>x</i></b></u></s></span></span></a></div>'],
    ['runs with shared formatting share the element',
        '<div><b>bold </b><b><i>both</i></b><b> bold</b></div>',
        '<div><b>bold <i>both</i> bold</b></div>'],
    ['colours in any notation become six lowercase hex digits',
        '<div><span style="color: rgb(215, 0, 21)">a</span><font color="#248A3D">b</font>'
        + '<span style="color:#F00">c</span><span style="color:rebeccapurple">d</span></div>',
        '<div><span style="color:#d70015">a</span><span style="color:#248a3d">b</span>'
        + '<span style="color:#ff0000">c</span><span style="color:#663399">d</span></div>'],
    ['the fontSize command\'s sizes become pixel sizes, the normal one none',
        '<div><font size="2">s</font><font size="4">m</font><font size="5">l</font>'
        + '<font size="3">n</font><span style="font-size:16px">n</span></div>',
        '<div><span style="font-size:12px">s</span><span style="font-size:18px">m</span>'
        + '<span style="font-size:24px">l</span>nn</div>'],
    ['links keep only their address; script addresses are dropped',
        '<div><a href="https://e.example/?a=1&amp;b=2" target="_blank" class="c" title="t">e</a> '
        + '<a href="javascript:alert(1)">j</a> <a href=" JaVaScRiPt:x">k</a> <a name="n">n</a></div>',
        '<div><a href="https://e.example/?a=1&amp;b=2">e</a> j k n</div>'],
    ['lists, with formatting, several lines and empty items',
        '<ul><li>a</li><li><b>b</b></li></ul><ol><li>c<br>d</li><li><br></li></ol>',
        '<ul><li>a</li><li><b>b</b></li></ul><ol><li>c<br>d</li><li><br></li></ol>'],
    ['nested lists join the outer list', '<ul><li>a<ul><li>b</li></ul></li><li>c</li></ul>',
        '<ul><li>a</li><li>b</li><li>c</li></ul>'],
    ['the five characters are escaped, no-break spaces written as entities',
        '<div>a &amp; b &lt; c &gt; d " e \' f</div><div>&nbsp; two&nbsp;spaces&nbsp;</div>',
        '<div>a &amp; b &lt; c &gt; d &quot; e &#39; f</div><div>&nbsp; two spaces&nbsp;</div>'],
    ['white space collapses as shown', '<div>\n  a \t\n  b  </div>\n<div> <b> c </b> d</div>',
        '<div>a b</div><div><b>c </b>d</div>'],
    ['classes, ids, styles and other attributes go',
        '<div class="x" id="y" style="margin:0;font-family:Arial" dir="rtl"><b class="z" style="">a</b>'
        + '<span style="font-family:Helvetica;background:#ff0">b</span></div>',
        '<div><b>a</b>b</div>'],
    ['scripts, styles, images and hidden text go',
        '<style>div{color:red}</style><script>window.ran = 1</script>'
        + '<div>a<img src="x.png" onerror="window.ran = 2">b<span style="display:none">c</span>'
        + '<iframe src="about:blank"></iframe><svg><text>d</text></svg></div>',
        '<div>ab</div>'],
    ['preformatted text keeps its lines and spaces', '<pre>a  b\n\tc\n</pre>',
        '<div>a&nbsp; b</div><div>&nbsp;&nbsp;&nbsp; c</div>'],
];

for (const [name, input, expected] of CASES) {
    test(`convention: ${name}`, async () => {
        const editor = await open();
        assert.equal(await normalised(editor, input), expected);
        assert.equal(await editor.page.evaluate(() => window.ran), undefined);
    });
}

test('empty content is one empty line, and so is a text deleted whole', async () => {
    const editor = await open('');
    await editor.focus();
    await editor.type('x');
    assert.equal(await editor.lastHtml(), '<div>x</div>');
    await editor.press('Backspace');
    assert.equal(await editor.lastHtml(), '<div><br></div>');

    await editor.setContent('<div>one</div><ul><li>two</li></ul><div><b>three</b></div>');
    await editor.focus();
    await editor.press('Control+A');
    await editor.press('Delete');
    assert.equal(await editor.lastHtml(), '<div><br></div>');
});

test('typing, Enter and Backspace keep one div per line', async () => {
    const editor = await open('<div>first</div><div><span style="color:#d70015">second</span></div>');
    await editor.caret('first');
    await editor.press('Enter');
    await editor.press('Enter');
    await editor.type('third');
    assert.equal(await editor.lastHtml(),
        '<div>first</div><div><br></div><div>third</div><div><span style="color:#d70015">second</span></div>');
    await editor.press('Shift+Enter');
    await editor.type('fourth');
    assert.equal(await editor.lastHtml(),
        '<div>first</div><div><br></div><div>third</div><div>fourth</div>'
        + '<div><span style="color:#d70015">second</span></div>');
    await editor.caret('second', 0);
    await editor.press('Backspace');
    assert.equal(await editor.lastHtml(),
        '<div>first</div><div><br></div><div>third</div><div>fourth<span style="color:#d70015">second</span></div>');
});

const RICH = '<div>Dear {{field:Name|friend}},</div><div><br></div>'
    + '<div>Thanks for <b>your</b> <i>note</i> of {{date:long}} &amp; <u>all</u> the <s>old</s> '
    + '<span style="color:#0040dd">news</span>, <span style="font-size:24px">big</span> '
    + 'and <span style="font-size:12px"><span style="color:#6e6e73">small</span></span>.</div>'
    + '<ul><li>see <a href="https://example.com/?q=&quot;x&quot;&amp;y=1">the page</a></li>'
    + '<li><b><i>both</i></b></li></ul><ol><li>one</li></ol>'
    + '<div>&nbsp; &lt;Regards&gt; &#39;Q&#39;</div>';

test('round trip: content in the convention comes back unchanged around an edit', async () => {
    const editor = await open(RICH);
    await editor.caret('Regards&gt;'.replace('&gt;', '>'));
    await editor.type('!');
    assert.equal(await editor.lastHtml(), RICH.replace('&lt;Regards&gt;', '&lt;Regards&gt;!'));
    await editor.press('Control+Z');
    assert.equal(await editor.lastHtml(), RICH);
    assert.deepEqual((await editor.changes()).map((c) => c.id), [ID, ID]);
});
