'use strict';

// The page's look in light and dark: no background of its own, readable text, caret, links
// and selection on a window of either kind, and the automatic colour of each.
const assert = require('node:assert/strict');
const { test } = require('node:test');
const { editorSuite } = require('./harness');

const open = editorSuite();
const WINDOW = { light: [246, 245, 244], dark: [36, 36, 36] }; // typical window colours

function rgb(css) {
    const m = /^rgba?\((\d+), (\d+), (\d+)(?:, ([\d.]+))?\)$/.exec(css);
    assert.ok(m, `not a colour: ${css}`);
    return { rgb: [m[1], m[2], m[3]].map(Number), alpha: m[4] === undefined ? 1 : Number(m[4]) };
}

// The contrast ratio of two colours, as accessibility guidelines measure it.
function contrast(a, b) {
    const luminance = (c) => {
        const [r, g, bl] = c.map((v) => {
            const s = v / 255;
            return s <= 0.03928 ? s / 12.92 : ((s + 0.055) / 1.055) ** 2.4;
        });
        return 0.2126 * r + 0.7152 * g + 0.0722 * bl;
    };
    const [hi, lo] = [luminance(a), luminance(b)].sort((x, y) => y - x);
    return (hi + 0.05) / (lo + 0.05);
}

async function styles(editor) {
    await editor.setContent('<div>text <a href="https://example.com/">link</a></div>');
    return editor.page.evaluate(() => {
        const editorElement = document.getElementById('editor');
        const style = getComputedStyle(editorElement);
        const selection = getComputedStyle(editorElement.firstElementChild, '::selection');
        return {
            backgrounds: [document.documentElement, document.body, editorElement]
                .map((el) => getComputedStyle(el).backgroundColor),
            text: style.color,
            caret: style.caretColor,
            link: getComputedStyle(editorElement.querySelector('a')).color,
            selection: selection.backgroundColor,
            font: style.fontFamily,
            padding: [style.paddingTop, style.paddingLeft],
        };
    });
}

test('light and dark: transparent, with readable text, caret, links and selection of their own', async () => {
    const looks = {};
    for (const scheme of ['light', 'dark']) {
        const look = looks[scheme] = await styles(await open({ colorScheme: scheme }));
        for (const background of look.backgrounds) assert.equal(rgb(background).alpha, 0, background);
        const window = WINDOW[scheme];
        assert.ok(contrast(rgb(look.text).rgb, window) >= 7, `${scheme} text ${look.text}`);
        assert.ok(contrast(rgb(look.caret).rgb, window) >= 3, `${scheme} caret ${look.caret}`);
        assert.ok(contrast(rgb(look.link).rgb, window) >= 4.5, `${scheme} link ${look.link}`);
        assert.notDeepEqual(rgb(look.link).rgb, rgb(look.text).rgb);
        const selection = rgb(look.selection);
        assert.ok(selection.alpha > 0 && selection.alpha < 1, `${scheme} selection ${look.selection}`);
        assert.match(look.font, /system-ui.*sans-serif/);
        assert.ok(parseFloat(look.padding[0]) >= 8 && parseFloat(look.padding[1]) >= 8);
    }
    for (const key of ['text', 'caret', 'link', 'selection']) {
        assert.notEqual(looks.light[key], looks.dark[key], key);
    }
});

test('dark: the automatic colour is the dark theme\'s text colour', async () => {
    const editor = await open({ colorScheme: 'dark' });
    await editor.setContent('<div>one <span style="color:#d70015">two</span> three</div>');
    await editor.select('two');
    await editor.exec('color', null);
    assert.equal(await editor.lastHtml(), '<div>one two three</div>');
    await editor.caret('three');
    await editor.exec('color', '#248a3d');
    await editor.exec('clear');
    await editor.type('!');
    assert.equal(await editor.lastHtml(), '<div>one two three!</div>');
    // Text copied from the editor carries its text colour; pasted back it is plain.
    const textColour = await editor.page.evaluate(() => getComputedStyle(document.getElementById('editor')).color);
    await editor.paste({ html: `<span style="color: ${textColour}; font-size: 16px;">pasted</span>`, text: 'pasted' });
    assert.equal(await editor.lastHtml(), '<div>one two three!pasted</div>');
});
