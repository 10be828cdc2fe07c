'use strict';

// The page's own words, its title and the editor's name for screen readers, which the program
// gives it in the user's language.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { editorSuite } = require('./harness');

const open = editorSuite();

function words(editor) {
    return editor.page.evaluate(() => ({
        title: document.title,
        label: document.getElementById('editor').getAttribute('aria-label'),
        language: document.documentElement.lang,
    }));
}

test('the page takes its title and the editor its name from the program', async () => {
    const texts = { title: 'Snippet', label: 'Snippet text', language: 'en' };
    const editor = await open({ texts });
    assert.deepEqual(await words(editor), texts);
});

test('words in another language are used as they are', async () => {
    const texts = { title: 'Textbaustein', label: 'Text des „Textbausteins“ <b>', language: 'de' };
    const editor = await open({ texts });
    assert.deepEqual(await words(editor), texts);
    await editor.setContent('<div>still edits</div>');
    assert.equal(await editor.visibleText(), 'still edits');
});

test('without words from the program the page still works, with none of its own', async () => {
    const editor = await open('<div>plain page</div>');
    assert.deepEqual(await words(editor), { title: '', label: null, language: 'en' });
    assert.equal(await editor.visibleText(), 'plain page');
});
