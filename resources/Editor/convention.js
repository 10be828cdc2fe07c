// The program's HTML for rich snippets. Any HTML (the editor's own DOM, a stored snippet,
// pasted HTML) is read into lines of formatted runs and written back in the one form the rest
// of Quillo understands: a fragment with one <div> per line ("<div><br></div>" for an empty
// one), inline <b>, <i>, <u>, <s>, colour and font-size spans and links, and <ul>/<ol> lists.
// Whatever else the HTML holds is dropped, so writing is also how pasted HTML is cleaned.
(function () {
    'use strict';

    const HTML_NS = 'http://www.w3.org/1999/xhtml';

    // Elements whose content is never text of the snippet.
    const SKIPPED = new Set([
        'applet', 'area', 'audio', 'base', 'button', 'canvas', 'datalist', 'embed', 'frame',
        'frameset', 'head', 'iframe', 'img', 'input', 'link', 'map', 'meta', 'noscript', 'object',
        'option', 'param', 'picture', 'script', 'select', 'source', 'style', 'template', 'textarea',
        'title', 'track', 'video',
    ]);

    // Elements that start and end a line.
    const BLOCKS = new Set([
        'address', 'article', 'aside', 'blockquote', 'body', 'caption', 'center', 'dd', 'details',
        'dialog', 'div', 'dl', 'dt', 'fieldset', 'figcaption', 'figure', 'footer', 'form', 'h1',
        'h2', 'h3', 'h4', 'h5', 'h6', 'header', 'hgroup', 'hr', 'html', 'legend', 'li', 'main',
        'nav', 'p', 'pre', 'section', 'summary', 'table', 'tbody', 'tfoot', 'thead', 'tr',
    ]);

    // Chromium's fontSize command writes <font size="N">; editor.css shows the sizes of the
    // size menu at these same pixel sizes, and 3 is the normal size.
    const FONT_SIZES = { 1: '10px', 2: '12px', 3: null, 4: '18px', 5: '24px', 6: '32px', 7: '48px' };
    const MENU_SIZES = new Set(['12px', '18px', '24px']);

    // Nesting of the written markup, outermost first (bold goes around italic, as the
    // program's own HTML writer does).
    const ORDER = ['href', 'size', 'color', 's', 'u', 'b', 'i'];
    const PLAIN = { href: null, size: null, color: null, s: false, u: false, b: false, i: false };

    function escape(text) {
        return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
            .replace(/"/g, '&quot;').replace(/'/g, '&#39;');
    }

    // Text also keeps its no-break spaces visible as entities, like the program's own
    // plain-to-HTML conversion writes them.
    function escapeText(text) {
        return escape(text).replace(/\u00a0/g, '&nbsp;');
    }

    // Links that would run script are not links.
    function safeHref(href) {
        const url = (href || '').trim();
        const scheme = url.replace(/[\u0000-\u0020]/g, '').toLowerCase();
        if (!url || /^(javascript|vbscript|data):/.test(scheme)) return null;
        return url;
    }

    let canvas = null;

    // A CSS colour as "#rrggbb", or null when the value is no opaque-enough colour.
    function hexColor(value) {
        const v = String(value || '').trim().toLowerCase();
        if (!v || /^(inherit|initial|unset|revert|revert-layer|currentcolor|transparent)$/.test(v)) {
            return null;
        }
        canvas = canvas || document.createElement('canvas').getContext('2d');
        // The canvas ignores values it cannot parse: two different starting colours tell.
        canvas.fillStyle = '#000000';
        canvas.fillStyle = v;
        const first = canvas.fillStyle;
        canvas.fillStyle = '#ffffff';
        canvas.fillStyle = v;
        if (canvas.fillStyle !== first) return null;
        if (/^#[0-9a-f]{6}$/.test(first)) return first;
        const m = /^rgba\((\d+), (\d+), (\d+), ([\d.]+)\)$/.exec(first);
        if (!m || Number(m[4]) < 0.1) return null;
        return '#' + m.slice(1, 4).map((c) => Number(c).toString(16).padStart(2, '0')).join('');
    }

    // The colour a run gets from a declared colour: undefined leaves the run's colour as it
    // is, null is the automatic colour.
    function runColor(value, opts) {
        const hex = hexColor(value);
        if (!hex) return undefined;
        if (hex === opts.autoColor) return null;
        if (opts.pasted) {
            // Dark greys and black are a page's text colour rather than a chosen one.
            const [r, g, b] = [1, 3, 5].map((k) => parseInt(hex.slice(k, k + 2), 16));
            if (r < 60 && g < 60 && b < 60 && Math.abs(r - g) < 20 && Math.abs(g - b) < 20) {
                return null;
            }
        }
        return hex;
    }

    // Likewise for sizes: undefined leaves the size alone, null is the normal size. Pasted
    // HTML keeps only the sizes of the editor's size menu.
    function runSize(px, opts) {
        if (px === undefined) return undefined;
        if (px === null || px === opts.baseSize) return null;
        if (opts.pasted && !MENU_SIZES.has(px)) return undefined;
        return px;
    }

    function cssPixels(value) {
        const m = /^(\d+(?:\.\d+)?)px$/.exec(value || '');
        return m ? Number(m[1]) + 'px' : undefined;
    }

    function isBold(weight, current) {
        if (weight === 'bold' || weight === 'bolder') return true;
        if (weight === 'normal' || weight === 'lighter') return false;
        const n = Number(weight);
        return Number.isFinite(n) && n > 0 ? n >= 600 : current;
    }

    // The formatting inside an element, given the formatting around it.
    function formatOf(el, outer, opts) {
        const tag = el.localName;
        const f = Object.assign({}, outer);
        if (tag === 'b' || tag === 'strong') f.b = true;
        if (opts.pasted && (/^h[1-6]$/.test(tag) || tag === 'th')) f.b = true;
        if (tag === 'i' || tag === 'em' || tag === 'cite' || tag === 'var' || tag === 'dfn') {
            f.i = true;
        }
        if (tag === 'u' || tag === 'ins') f.u = true;
        if (tag === 's' || tag === 'strike' || tag === 'del') f.s = true;
        if (tag === 'a' && el.hasAttribute('href')) f.href = safeHref(el.getAttribute('href'));
        if (tag === 'font') {
            const color = runColor(el.getAttribute('color'), opts);
            if (color !== undefined) f.color = color;
            const size = runSize(FONT_SIZES[(el.getAttribute('size') || '').trim()], opts);
            if (size !== undefined) f.size = size;
        }
        const style = el.style;
        if (style && style.length) {
            if (style.fontWeight) f.b = isBold(style.fontWeight, f.b);
            if (style.fontStyle === 'normal') f.i = false;
            if (/^(italic|oblique)/.test(style.fontStyle)) f.i = true;
            // A text decoration reaches into the element's content and cannot be undone there.
            const lines = style.textDecorationLine || style.textDecoration || '';
            if (lines.includes('underline')) f.u = true;
            if (lines.includes('line-through')) f.s = true;
            // A pasted link's colour is the page's link style, not the text's.
            if (style.color && !(opts.pasted && tag === 'a')) {
                const color = runColor(style.color, opts);
                if (color !== undefined) f.color = color;
            }
            const size = runSize(cssPixels(style.fontSize), opts);
            if (size !== undefined) f.size = size;
        }
        return f;
    }

    function keepsWhiteSpace(el) {
        return el.localName === 'pre' || /^(pre|break-spaces)/.test(el.style.whiteSpace || '');
    }

    // Preformatted spaces kept visible the way the program writes plain text as HTML: a tab
    // as three no-break spaces and a space, and a space at the start of a line or before
    // another space as a no-break space.
    function keepSpaces(text) {
        return text.replace(/\t/g, '\u00a0\u00a0\u00a0 ').replace(/^ | (?= )/g, '\u00a0');
    }

    function sameFormat(a, b) {
        return ORDER.every((key) => a[key] === b[key]);
    }

    // White space as the browser shows it: runs of it are one space, and none is shown at
    // the start or end of a line (unless `edges`, for a piece that joins another line).
    // No-break spaces always count. A line of nothing but white space is no line.
    function collapse(runs, edges) {
        const out = [];
        let afterSpace = !edges;
        for (const run of runs) {
            let text = run.text.replace(/[ \t\n\r\f]+/g, ' ');
            if (afterSpace && text.startsWith(' ')) text = text.slice(1);
            if (!text) continue;
            afterSpace = text.endsWith(' ');
            const last = out[out.length - 1];
            if (last && sameFormat(last, run)) last.text += text;
            else out.push(Object.assign({}, run, { text }));
        }
        const last = out[out.length - 1];
        if (!edges && last && last.text.endsWith(' ')) {
            last.text = last.text.slice(0, -1);
            if (!last.text) out.pop();
        }
        return out.some((run) => run.text !== ' ') ? respace(out) : [];
    }

    // Spaces written as the program writes plain text as HTML, whichever of the two the
    // browser used: a no-break space at the start or end of a line or before another space,
    // an ordinary space otherwise.
    function respace(runs) {
        const line = runs.map((run) => run.text).join('');
        const spaced = line.replace(/[ \u00a0]/g, (space, k) => {
            const next = line[k + 1];
            return k === 0 || next === undefined || next === ' ' || next === '\u00a0' ? '\u00a0' : ' ';
        });
        let at = 0;
        for (const run of runs) {
            run.text = spaced.slice(at, at + run.text.length);
            at += run.text.length;
        }
        return runs;
    }

    // Reads a DOM tree into blocks: {kind: "line", runs} or {kind: "ul"|"ol", items}, where
    // an item is a list of lines and a line a list of runs {text, href, size, color, s, u, b, i}.
    // opts: pasted (clean HTML from elsewhere), edges (keep spaces at the ends of lines),
    // autoColor (the editor's own text colour, as "#rrggbb"), baseSize (its normal font size,
    // such as "16px").
    function read(root, options) {
        const opts = Object.assign({ pasted: false, edges: false, autoColor: null, baseSize: '16px' },
            options);
        const blocks = [];
        let list = null; // the list being read, if any; nested lists join it
        let item = null; // its current item
        let line = null; // runs of the line being read

        function emit(runs) {
            if (!list) {
                blocks.push({ kind: 'line', runs });
                return;
            }
            if (!item) list.items.push((item = []));
            item.push(runs);
        }

        // At the edge of a block, a line that shows nothing is no line.
        function endLine() {
            if (line) {
                const runs = collapse(line, opts.edges);
                if (runs.length) emit(runs);
            }
            line = null;
        }

        // A <br> always ends a line, even an empty one; the line it opens counts only if
        // something is put on it.
        function lineBreak() {
            emit(line ? collapse(line, opts.edges) : []);
            line = [];
        }

        function addText(text, fmt, pre) {
            if (!pre) {
                (line = line || []).push(Object.assign({ text }, fmt));
                return;
            }
            text.replace(/\r\n?/g, '\n').split('\n').forEach((part, k) => {
                if (k) lineBreak();
                if (part) (line = line || []).push(Object.assign({ text: keepSpaces(part) }, fmt));
            });
        }

        function walk(node, fmt, pre) {
            for (let child = node.firstChild; child; child = child.nextSibling) {
                if (child.nodeType === Node.TEXT_NODE) {
                    addText(child.data, fmt, pre);
                    continue;
                }
                if (child.nodeType !== Node.ELEMENT_NODE || child.namespaceURI !== HTML_NS) continue;
                const tag = child.localName;
                if (SKIPPED.has(tag) || child.style.display === 'none') continue;
                if (tag === 'br') {
                    lineBreak();
                    continue;
                }
                const f = formatOf(child, fmt, opts);
                const p = pre || keepsWhiteSpace(child);
                if (tag === 'ul' || tag === 'ol' || tag === 'menu') {
                    endLine();
                    const outer = list;
                    if (!outer) blocks.push((list = { kind: tag === 'ol' ? 'ol' : 'ul', items: [] }));
                    item = null;
                    walk(child, f, p);
                    endLine();
                    item = null;
                    list = outer;
                } else if (tag === 'li' && list) {
                    endLine();
                    list.items.push((item = []));
                    walk(child, f, p);
                    endLine();
                    item = null; // what follows a nested list starts an item of its own
                } else if (BLOCKS.has(tag)) {
                    endLine();
                    walk(child, f, p);
                    endLine();
                } else {
                    if ((tag === 'td' || tag === 'th') && line && line.length) addText(' ', fmt);
                    walk(child, f, p);
                }
            }
        }

        walk(root, PLAIN, false);
        endLine();
        return blocks.filter((block) => block.kind === 'line' || block.items.length);
    }

    function open(key, value) {
        if (key === 'href') return '<a href="' + escape(value) + '">';
        if (key === 'size') return '<span style="font-size:' + value + '">';
        if (key === 'color') return '<span style="color:' + value + '">';
        return '<' + key + '>';
    }

    function close(key) {
        return key === 'href' ? '</a>' : key === 'size' || key === 'color' ? '</span>' : '</' + key + '>';
    }

    // Runs that share a format at one level of the nesting share one element.
    function inline(runs, level) {
        if (level === ORDER.length) return runs.map((run) => escapeText(run.text)).join('');
        const key = ORDER[level];
        let out = '';
        for (let start = 0, end; start < runs.length; start = end) {
            const value = runs[start][key];
            for (end = start + 1; end < runs.length && runs[end][key] === value; end++);
            const inner = inline(runs.slice(start, end), level + 1);
            out += value ? open(key, value) + inner + close(key) : inner;
        }
        return out;
    }

    // The lines of a list item, with a <br> between them; a final empty line needs a second.
    function itemHtml(lines) {
        if (!lines.length) return '<br>';
        const html = lines.map((runs) => inline(runs, 0)).join('<br>');
        return lines[lines.length - 1].length ? html : html + '<br>';
    }

    function write(blocks) {
        if (!blocks.length) return '<div><br></div>';
        return blocks.map((block) => {
            if (block.kind === 'line') {
                return block.runs.length ? '<div>' + inline(block.runs, 0) + '</div>' : '<div><br></div>';
            }
            const items = block.items.map((lines) => '<li>' + itemHtml(lines) + '</li>').join('');
            return '<' + block.kind + '>' + items + '</' + block.kind + '>';
        }).join('');
    }

    // An HTML text as an inert tree: nothing in it runs or loads.
    function parse(html) {
        return new DOMParser().parseFromString(String(html), 'text/html').body;
    }

    // Pasted HTML in the program's form, ready to insert at the caret. Empty when nothing of
    // it can be kept.
    function pasted(html, options) {
        const body = parse(html);
        const opts = Object.assign({}, options, { pasted: true });
        const blocks = read(body, opts);
        if (!blocks.length) return '';
        if (blocks.length > 1 || blocks[0].kind !== 'line') return write(blocks);
        // A single line goes without its <div>, to join the line it is pasted into, and with
        // the spaces at its ends.
        const [line] = read(body, Object.assign(opts, { edges: true }));
        return inline(line.runs, 0);
    }

    window.Quillo = window.Quillo || {};
    window.Quillo.html = { read, write, parse, pasted, hexColor, safeHref };
})();
