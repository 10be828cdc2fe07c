'use strict';

// The page's side of the program's protocol: connecting, "ready", setContent and "change".
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { editorSuite, ID: ID_A } = require('./harness');

const open = editorSuite();
const ID_B = '0E984725-C51C-4BF4-9960-E1C80E27ABA0';

test('the page connects through the web channel and says ready once, without a payload', async () => {
    const editor = await open();
    const traffic = await editor.page.evaluate(() => window.fakeHost.traffic);
    // init, then the call of bridge.post with the one message, then the client's idle
    assert.deepEqual(traffic.map((m) => m.type), [3, 6, 4]);
    assert.deepEqual(traffic[1].args, [{ type: 'ready' }]);
    assert.deepEqual(await editor.messages(), [{ type: 'ready' }]);
});

test('content given before ready: the later document is shown, no change is posted', async () => {
    const editor = await open({ hold: true });
    await editor.setContent('<div>first document</div>', ID_A);
    await editor.setContent('<div>second <b>document</b></div>', ID_B);
    await editor.page.evaluate(() => window.fakeHost.release());
    await editor.waitForMessage((m) => m.type === 'ready');
    assert.deepEqual(await editor.messages(), [{ type: 'ready' }]);
    assert.equal(await editor.visibleText(), 'second document');

    await editor.caret('second');
    await editor.type('!');
    assert.deepEqual(await editor.changes(), [
        { html: '<div>second! <b>document</b></div>', id: ID_B },
    ]);
});

test('setContent posts no change; each edit posts one with the id of the document shown', async () => {
    const editor = await open('<div>alpha</div>');
    assert.deepEqual(await editor.messages(), [{ type: 'ready' }]);
    await editor.caret('alpha');
    await editor.type('bc');
    await editor.setContent('<div>beta</div>', ID_B);
    await editor.caret('beta', 0);
    await editor.type('>');
    assert.deepEqual(await editor.changes(), [
        { html: '<div>alphab</div>', id: ID_A },
        { html: '<div>alphabc</div>', id: ID_A },
        { html: '<div>&gt;beta</div>', id: ID_B },
    ]);
});

test('an edit that leaves the text as it was posts no change', async () => {
    const editor = await open('<div>one two</div>');
    await editor.caret('one');
    await editor.exec('bold'); // only what is typed next would be bold
    await editor.exec('insertText', '');
    assert.deepEqual(await editor.changes(), []);
    await editor.type('x');
    assert.deepEqual(await editor.changes(), [{ html: '<div>one<b>x</b> two</div>', id: ID_A }]);
});

test('quotes, backslashes and line breaks reach the page intact through JSON literals', async () => {
    const editor = await open();
    const id = 'id with "quotes", \\ and /';
    await editor.setContent(
        '<div title="x">say "hi" \\ it\'s</div>\n<div>a\u2028b</div><div>&lt;/script&gt;</div>', id);
    assert.equal(await editor.visibleText(), 'say "hi" \\ it\'s\na\u2028b\n</script>');
    await editor.caret('</script>');
    await editor.type('!');
    assert.deepEqual(await editor.changes(), [{
        html: '<div>say &quot;hi&quot; \\ it&#39;s</div><div>a\u2028b</div><div>&lt;/script&gt;!</div>',
        id,
    }]);
});

test('an unknown command or a bad value is an error the program can log, and changes nothing',
    async () => {
        const editor = await open('<div>one two</div>');
        await editor.select('two');
        await assert.rejects(editor.exec('embolden'), /unknown editor command: embolden/);
        await assert.rejects(editor.exec('size', '13px'), /unknown size/);
        await assert.rejects(editor.exec('color', 'red'), /unknown colour/);
        await assert.rejects(editor.exec('link', 'javascript:alert(1)'), /refused link/);
        assert.deepEqual(await editor.changes(), []);
        // The page still works after them.
        await editor.exec('bold');
        assert.equal(await editor.lastHtml(), '<div>one <b>two</b></div>');
        // The errors were the program's to see, not uncaught in the page.
        editor.errors.length = 0;
    });
