'use strict';

// Pictures of the editor page with rich content, light and dark, for a person to look at:
//   node editor-page.js [folder]     (default /tmp; scripts/screenshots.sh runs it)
// The page draws no background of its own; the pictures put a window colour behind it.
const path = require('node:path');
const { launchBrowser, EditorPage } = require('../../tests/editor/harness');

const CONTENT = '<div>Dear {{field:Name|friend}},</div><div><br></div>'
    + '<div>Thanks for <b>your</b> <i>note</i> of {{date:long}}. Here is <u>everything</u> you '
    + 'asked for, <s>minus</s> the <span style="color:#d70015">red</span>, '
    + '<span style="color:#248a3d">green</span> and <span style="color:#0040dd">blue</span> bits, '
    + '<span style="font-size:24px">big</span> and <span style="font-size:12px">small</span>.</div>'
    + '<ul><li>See <a href="https://example.com/">the project page</a></li><li><b><i>Bring</i></b> '
    + 'the clipboard: {{clipboard}}</li></ul><ol><li>First</li><li>Second</li></ol>'
    + '<div><br></div><div>Kind regards,</div><div><span style="color:#6e6e73">Quillo</span></div>';

const WINDOW_COLOURS = { light: '#f6f5f4', dark: '#242424' };

async function main() {
    const folder = process.argv[2] || '/tmp';
    const browser = await launchBrowser();
    try {
        for (const scheme of ['light', 'dark']) {
            const editor = await EditorPage.open(browser.context, { colorScheme: scheme });
            await editor.page.setViewportSize({ width: 620, height: 460 });
            await editor.setContent(CONTENT, '6F9619FF-8B86-D011-B42D-00C04FC964FF');
            await editor.page.evaluate((colour) => {
                document.documentElement.style.background = colour;
            }, WINDOW_COLOURS[scheme]);
            await editor.select('your', { until: 'note' });
            const file = path.join(folder, `quillo-editor-${scheme}.png`);
            await editor.page.screenshot({ path: file });
            console.log(file);
            await editor.page.close();
        }
    } finally {
        await browser.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exit(1);
});
