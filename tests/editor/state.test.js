'use strict';

// The "state" messages: the formatting at the selection, sent only when it changes.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { editorSuite, NONE } = require('./harness');

const open = editorSuite();
const only = (key) => Object.assign({}, NONE, { [key]: true });

const SAMPLE = '<div>plain words</div><div><b>heavy text</b></div>'
    + '<div><i>slanted</i> <u>underlined</u> <s>struck</s></div>'
    + '<ul><li>bullet</li></ul><ol><li>numbered</li></ol>'
    + '<div><a href="https://example.com/">linked</a></div>';

test('the state follows the caret, one message per change and none while it stays', async () => {
    const editor = await open(SAMPLE);
    await editor.caret('plain', 2);
    await editor.caret('words', 1); // still plain, as the program already knows
    assert.deepEqual(await editor.states(), []);

    const steps = [
        ['heavy', 'bold'], ['text', 'bold'], ['slanted', 'italic'], ['underlined', 'underline'],
        ['struck', 'strike'], ['bullet', 'ul'], ['numbered', 'ol'], ['linked', 'link'],
    ];
    for (const [word, key] of steps) {
        await editor.caret(word, 2);
        await editor.caret(word, 3);
    }
    await editor.caret('plain', 1);
    assert.deepEqual(await editor.states(), [
        only('bold'), only('italic'), only('underline'), only('strike'), only('ul'), only('ol'),
        only('link'), NONE,
    ]);
    assert.equal((await editor.changes()).length, 0);
});

test('a selection counts as formatted when all of it is', async () => {
    const editor = await open('<div><b><i>both</i> bold</b> plain <a href="x.html">in link</a></div>');
    await editor.select('both');
    await editor.select('both', { until: 'bold' });
    await editor.select('bold', { until: 'plain' });
    await editor.select('plain', { until: 'link' });
    assert.deepEqual(await editor.states(), [
        Object.assign({}, NONE, { bold: true, italic: true }), only('bold'), NONE, only('link'),
    ]);
});

test('a command\'s formatting shows at once, also at the caret before anything is typed', async () => {
    const editor = await open('<div>one two</div>');
    await editor.caret('one');
    await editor.exec('ul');
    await editor.exec('bold');
    await editor.exec('strike');
    await editor.exec('bold');
    const list = (more) => Object.assign({}, NONE, { ul: true }, more);
    assert.deepEqual(await editor.states(), [
        list({}), list({ bold: true }), list({ bold: true, strike: true }), list({ strike: true }),
    ]);
    await editor.type('X');
    assert.equal(await editor.lastHtml(), '<ul><li>one<s>X</s> two</li></ul>');
    assert.equal((await editor.states()).length, 4);
});

test('new content clears the state of a caret in formatted text', async () => {
    const editor = await open('<div><u>under</u></div>');
    await editor.caret('under', 2);
    await editor.setContent('<div>plain</div>');
    await editor.setContent('<div>plain again</div>');
    assert.deepEqual(await editor.states(), [only('underline'), NONE]);
});
