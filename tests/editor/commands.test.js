'use strict';

// Every command of exec, on a selection and at the caret, read back from the "change"
// messages in the program's HTML.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { editorSuite } = require('./harness');

const open = editorSuite();
const LINE = '<div>one two three</div>';

for (const [command, tag] of [['bold', 'b'], ['italic', 'i'], ['underline', 'u'], ['strike', 's']]) {
    test(`${command}: on a selection, and again to take it off`, async () => {
        const editor = await open(LINE);
        await editor.select('two');
        await editor.exec(command);
        assert.equal(await editor.lastHtml(), `<div>one <${tag}>two</${tag}> three</div>`);
        await editor.exec(command);
        assert.equal(await editor.lastHtml(), LINE);
        // Off on part of stored markup too (the space before the word keeps its formatting).
        await editor.setContent(`<div><${tag}>one two three</${tag}></div>`);
        await editor.select('three');
        await editor.exec(command);
        assert.equal(await editor.lastHtml(), `<div><${tag}>one two </${tag}>three</div>`);
    });
}

for (const [command, value, start, end] of [
    ['bold', null, '<b>', '</b>'], ['italic', null, '<i>', '</i>'],
    ['underline', null, '<u>', '</u>'], ['strike', null, '<s>', '</s>'],
    ['size', '24px', '<span style="font-size:24px">', '</span>'],
    ['color', '#248a3d', '<span style="color:#248a3d">', '</span>'],
]) {
    test(`${command}: at the caret, for what is typed next`, async () => {
        const editor = await open(LINE);
        await editor.caret('one ');
        await editor.exec(command, value);
        await editor.type('X');
        assert.equal(await editor.lastHtml(), `<div>one ${start}X${end}two three</div>`);
    });
}

test('ul and ol: lines of a selection become items, and back', async () => {
    const editor = await open('<div>alpha</div><div>beta</div><div>gamma</div>');
    await editor.select('alpha', { until: 'beta' });
    await editor.exec('ul');
    assert.equal(await editor.lastHtml(), '<ul><li>alpha</li><li>beta</li></ul><div>gamma</div>');
    await editor.exec('ol');
    assert.equal(await editor.lastHtml(), '<ol><li>alpha</li><li>beta</li></ol><div>gamma</div>');
    await editor.exec('ol');
    assert.equal(await editor.lastHtml(), '<div>alpha</div><div>beta</div><div>gamma</div>');
});

test('ul and ol: at the caret, the caret\'s line', async () => {
    const editor = await open('<div>alpha</div><div>beta</div><div>gamma</div>');
    await editor.caret('beta', 2);
    await editor.exec('ol');
    assert.equal(await editor.lastHtml(), '<div>alpha</div><ol><li>beta</li></ol><div>gamma</div>');
    await editor.exec('ul');
    assert.equal(await editor.lastHtml(), '<div>alpha</div><ul><li>beta</li></ul><div>gamma</div>');
    await editor.press('End');
    await editor.press('Enter');
    await editor.type('delta');
    assert.equal(await editor.lastHtml(),
        '<div>alpha</div><ul><li>beta</li><li>delta</li></ul><div>gamma</div>');
});

test('clear: takes every formatting off a selection but keeps links and lists', async () => {
    const editor = await open(
        '<div><b>bold</b> <i>it</i> <span style="color:#d70015">red</span> '
        + '<span style="font-size:24px">big</span> <s>gone</s> <u>under</u> '
        + '<a href="https://example.com/">link</a></div><ul><li><b>item</b></li></ul>');
    await editor.select('bold', { until: 'item' });
    await editor.exec('clear');
    assert.equal(await editor.lastHtml(),
        '<div>bold it red big gone under <a href="https://example.com/">link</a></div>'
        + '<ul><li>item</li></ul>');
});

test('clear: at the caret, what is typed next is plain', async () => {
    const editor = await open(
        '<div><span style="color:#248a3d"><u><b><i>strong</i></b></u></span> '
        + '<span style="font-size:18px">large</span></div>');
    await editor.caret('strong');
    await editor.exec('clear');
    await editor.type('X');
    await editor.caret('large');
    await editor.exec('clear');
    await editor.type('Y');
    assert.equal(await editor.lastHtml(),
        '<div><span style="color:#248a3d"><u><b><i>strong</i></b></u></span>X '
        + '<span style="font-size:18px">large</span>Y</div>');
});

// Null takes the size or colour off, back to the normal size and the automatic colour.
for (const [command, property, values, styled, word, unstyled] of [
    ['size', 'font-size', ['12px', '18px', '24px'],
        '<div>one <span style="font-size:18px">two three</span></div>', 'three',
        '<div>one <span style="font-size:18px">two </span>three</div>'],
    ['color', 'color', ['#0040dd', '#C93400'],
        '<div><span style="color:#8944ab">one two three</span></div>', 'two',
        '<div><span style="color:#8944ab">one </span>two<span style="color:#8944ab"> three</span></div>'],
]) {
    test(`${command}: each value on a selection, another over it, and null to take it off`, async () => {
        const editor = await open(LINE);
        await editor.select('two');
        for (const value of values) {
            await editor.exec(command, value);
            assert.equal(await editor.lastHtml(),
                `<div>one <span style="${property}:${value.toLowerCase()}">two</span> three</div>`);
        }
        await editor.exec(command, null);
        assert.equal(await editor.lastHtml(), LINE);
        await editor.setContent(styled);
        await editor.select(word);
        await editor.exec(command, null);
        assert.equal(await editor.lastHtml(), unstyled);
    });
}

test('link: links a selection with the address escaped; at a caret outside a link, inserts it', async () => {
    const editor = await open(LINE);
    await editor.select('two');
    await editor.exec('link', 'https://example.com/a?b=1&c="2"');
    assert.equal(await editor.lastHtml(),
        '<div>one <a href="https://example.com/a?b=1&amp;c=&quot;2&quot;">two</a> three</div>');
    assert.equal(await editor.currentLink(), 'https://example.com/a?b=1&c="2"');

    await editor.setContent(LINE);
    await editor.caret('one ');
    await editor.exec('link', 'mailto:someone@example.com');
    assert.equal(await editor.lastHtml(),
        '<div>one <a href="mailto:someone@example.com">mailto:someone@example.com</a>two three</div>');
});

test('link: at a caret inside a link, gives that whole link the new address', async () => {
    const editor = await open('<div>one <a href="https://old.example/">two</a> three</div>');
    await editor.caret('two', 1);
    await editor.exec('link', 'https://new.example/');
    assert.equal(await editor.lastHtml(), '<div>one <a href="https://new.example/">two</a> three</div>');
    await editor.type('X'); // the caret stayed where it was
    assert.equal(await editor.lastHtml(), '<div>one <a href="https://new.example/">tXwo</a> three</div>');
});

test('link null: removes links from a selection, or the whole link at the caret', async () => {
    const editor = await open(
        '<div><a href="https://a.example/">one</a> <a href="https://b.example/">two three</a></div>');
    await editor.select('one');
    await editor.exec('link', null);
    assert.equal(await editor.lastHtml(), '<div>one <a href="https://b.example/">two three</a></div>');
    await editor.caret('two', 2);
    await editor.exec('link', null);
    assert.equal(await editor.lastHtml(), '<div>one two three</div>');
    assert.equal(await editor.currentLink(), '');
});

test('insertText: at the caret, over a selection, and taking the caret\'s formatting', async () => {
    const editor = await open('<div>one two <b>three</b></div>');
    await editor.caret('one ');
    await editor.exec('insertText', '{{date}} ');
    assert.equal(await editor.lastHtml(), '<div>one {{date}} two <b>three</b></div>');
    await editor.select('two');
    await editor.exec('insertText', '{{field:Name|Default}}');
    assert.equal(await editor.lastHtml(), '<div>one {{date}} {{field:Name|Default}} <b>three</b></div>');
    await editor.caret('three');
    await editor.exec('insertText', '{{clipboard}}');
    assert.equal(await editor.lastHtml(),
        '<div>one {{date}} {{field:Name|Default}} <b>three{{clipboard}}</b></div>');
});

test('insertText: quotes, backslashes and line breaks arrive as typed, lines as lines', async () => {
    const editor = await open(LINE);
    await editor.caret('three');
    await editor.exec('insertText', ' say "hi" \\ it\'s <b>\nnext line\r\n\nlast');
    assert.equal(await editor.lastHtml(),
        '<div>one two three say &quot;hi&quot; \\ it&#39;s &lt;b&gt;</div><div>next line</div>'
        + '<div><br></div><div>last</div>');
});

test('commands act on the editor\'s selection after it lost the focus to the program', async () => {
    const editor = await open(LINE);
    await editor.select('two');
    await editor.page.evaluate(() => document.activeElement.blur());
    await editor.exec('italic');
    assert.equal(await editor.lastHtml(), '<div>one <i>two</i> three</div>');
});

test('commands with no selection in the document act at the end of the text', async () => {
    const editor = await open('<div>one</div><div>two</div>');
    await editor.exec('insertText', '{{time}}');
    assert.equal(await editor.lastHtml(), '<div>one</div><div>two{{time}}</div>');
    // A new document has no selection, even while the editor keeps the focus.
    await editor.setContent('<div><b>three</b></div><ul><li>four</li></ul>');
    await editor.exec('insertText', '{{date}}');
    assert.equal(await editor.lastHtml(), '<div><b>three</b></div><ul><li>four{{date}}</li></ul>');
});
