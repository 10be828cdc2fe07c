// The editing surface. The program calls setContent, exec and currentLink; the page answers
// with "change" (the document in the program's HTML, after every edit) and "state" (the
// formatting at the selection, when it changes). Bold, italic and underline keys, paste, drop
// and link clicks are the page's own business.
(function () {
    'use strict';

    const html = window.Quillo.html;
    const editor = document.getElementById('editor');
    const NO_FORMAT = Object.freeze({
        bold: false, italic: false, underline: false, strike: false, ul: false, ol: false,
        link: false,
    });
    const KEYS = { b: 'bold', i: 'italic', u: 'underline' };
    // The size menu's sizes as Chromium's fontSize numbers (editor.css draws them at these
    // sizes); 3 is the normal size.
    const FONT_SIZES = { '12px': '2', '18px': '4', '24px': '5' };

    let post = null; // sends a message to the program, once connected
    let documentId = '';
    let sentHtml = null; // the document as the program last had it
    let sentState = JSON.stringify(NO_FORMAT); // the program starts with no formatting
    let dragging = false; // a drag that started in the editor moves text within it

    // The editor's own colour and size mean "automatic colour" and "normal size".
    function readOptions() {
        const style = getComputedStyle(editor);
        return { autoColor: html.hexColor(style.color), baseSize: style.fontSize };
    }

    function documentHtml() {
        return html.write(html.read(editor, readOptions()));
    }

    function send(type, payload) {
        if (post) post(payload === undefined ? { type } : { type, payload });
    }

    function reportChange() {
        if (!post) return;
        const now = documentHtml();
        if (now === sentHtml) return;
        sentHtml = now;
        send('change', { html: now, id: documentId });
    }

    function selectionRange() {
        const selection = getSelection();
        if (!selection.rangeCount) return null;
        const range = selection.getRangeAt(0);
        return editor.contains(range.commonAncestorContainer) ? range : null;
    }

    function enclosingLink(node) {
        for (let n = node; n && n !== editor; n = n.parentNode) {
            if (n.localName === 'a' && html.safeHref(n.getAttribute('href'))) return n;
        }
        return null;
    }

    function linkAt(range) {
        const link = enclosingLink(range.startContainer) || enclosingLink(range.endContainer);
        if (link || range.collapsed) return link;
        for (const a of editor.querySelectorAll('a[href]')) {
            if (range.intersectsNode(a) && html.safeHref(a.getAttribute('href'))) return a;
        }
        return null;
    }

    function currentLink() {
        const range = selectionRange();
        const link = range && linkAt(range);
        return link ? html.safeHref(link.getAttribute('href')) : '';
    }

    function formatState() {
        if (!selectionRange()) return NO_FORMAT;
        // The browser's own answers, which also know what the next typed text will get.
        const on = (command) => document.queryCommandState(command);
        return {
            bold: on('bold'), italic: on('italic'), underline: on('underline'),
            strike: on('strikeThrough'), ul: on('insertUnorderedList'),
            ol: on('insertOrderedList'), link: currentLink() !== '',
        };
    }

    function reportState() {
        if (!post) return;
        const state = formatState();
        const key = JSON.stringify(state);
        if (key === sentState) return;
        sentState = key;
        send('state', state);
    }

    function native(command, value) {
        document.execCommand(command, false, value === undefined ? null : value);
    }

    function select(range) {
        const selection = getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
    }

    function selectContents(node) {
        const range = document.createRange();
        range.selectNodeContents(node);
        select(range);
    }

    // A point of the selection as a count of characters from the start of the text, which
    // commands that only restructure (lists, links) leave as it was. Null when the point is
    // not in a text node, as on an empty line.
    function textOffset(node, offset) {
        if (node.nodeType !== Node.TEXT_NODE) return null;
        const before = document.createRange();
        before.setStart(editor, 0);
        before.setEnd(node, offset);
        return { count: before.toString().length, atStart: offset === 0 };
    }

    function textPoint(point) {
        const walker = document.createTreeWalker(editor, NodeFilter.SHOW_TEXT);
        let left = point.count;
        for (let node; (node = walker.nextNode());) {
            // Between two nodes, the point keeps the side it was on.
            if (left < node.length || (left === node.length && !point.atStart)) return [node, left];
            left -= node.length;
        }
        return null;
    }

    // Runs a command and puts the selection back where it was: the list commands move the
    // caret to the start of the line, and link commands at the caret select the whole link.
    function keepingSelection(action) {
        const range = selectionRange();
        const start = range && textOffset(range.startContainer, range.startOffset);
        const end = range && textOffset(range.endContainer, range.endOffset);
        action();
        const from = start && textPoint(start);
        const to = end && textPoint(end);
        if (!from || !to) return;
        const back = document.createRange();
        back.setStart(from[0], from[1]);
        back.setEnd(to[0], to[1]);
        select(back);
    }

    // Commands meant for the caret's whole link select that link first.
    function onCaretLink(action) {
        const range = selectionRange();
        const link = range && range.collapsed && linkAt(range);
        if (!link) return false;
        keepingSelection(() => {
            selectContents(link);
            action();
        });
        return true;
    }

    // Commands from the program come while its own controls have the focus; they act on the
    // editor's selection, or at the end of the text if the document has none yet.
    function focusEditor() {
        const inside = selectionRange();
        if (document.activeElement !== editor) editor.focus({ preventScroll: true });
        if (!inside) {
            getSelection().selectAllChildren(editor);
            getSelection().collapseToEnd();
        }
    }

    function clearFormatting() {
        const range = selectionRange();
        if (range && !range.collapsed) {
            native('removeFormat');
            return;
        }
        // At the caret: what is typed next is plain.
        for (const command of ['bold', 'italic', 'underline', 'strikeThrough']) {
            if (document.queryCommandState(command)) native(command);
        }
        native('foreColor', readOptions().autoColor);
        native('fontSize', '3');
    }

    function setSize(value) {
        if (value !== null && !FONT_SIZES[value]) throw new Error('unknown size: ' + value);
        native('fontSize', value === null ? '3' : FONT_SIZES[value]);
    }

    function setColor(value) {
        if (value !== null && !/^#[0-9a-fA-F]{6}$/.test(value)) {
            throw new Error('unknown colour: ' + value);
        }
        native('foreColor', value === null ? readOptions().autoColor : value.toLowerCase());
    }

    function setLink(value) {
        if (!value) {
            if (!onCaretLink(() => native('unlink'))) native('unlink');
            return;
        }
        const href = html.safeHref(value);
        if (!href) throw new Error('refused link: ' + value);
        if (!onCaretLink(() => native('createLink', href))) native('createLink', href);
    }

    // Line breaks (\n, \r\n or \r) become lines, as if typed.
    function insertText(value) {
        if (value) native('insertText', value);
    }

    const COMMANDS = {
        bold: () => native('bold'),
        italic: () => native('italic'),
        underline: () => native('underline'),
        strike: () => native('strikeThrough'),
        ul: () => keepingSelection(() => native('insertUnorderedList')),
        ol: () => keepingSelection(() => native('insertOrderedList')),
        clear: clearFormatting,
        size: setSize,
        color: setColor,
        link: setLink,
        insertText,
    };

    function exec(command, value) {
        if (!Object.prototype.hasOwnProperty.call(COMMANDS, command)) {
            throw new Error('unknown editor command: ' + command);
        }
        focusEditor();
        COMMANDS[command](value === null || value === undefined ? null : String(value));
        reportChange();
        reportState();
    }

    function setContent(content, id) {
        documentId = id === null || id === undefined ? '' : String(id);
        const fresh = html.write(html.read(html.parse(content == null ? '' : content), readOptions()));
        editor.innerHTML = fresh;
        sentHtml = fresh;
        // A new document has no selection until the user puts one in it.
        getSelection().removeAllRanges();
        reportState();
    }

    // Pasted or dropped data, cleaned to what a snippet can hold; plain text as typed text.
    function insertData(data) {
        if (!data) return;
        const types = Array.from(data.types || []);
        const fromHtml = types.includes('text/html')
            ? html.pasted(data.getData('text/html'), readOptions()) : '';
        if (fromHtml) native('insertHTML', fromHtml);
        else insertText(data.getData('text/plain'));
        reportChange();
        reportState();
    }

    editor.addEventListener('keydown', (event) => {
        if (!(event.ctrlKey || event.metaKey) || event.altKey || event.shiftKey) return;
        // The key's letter, or on a non-Latin layout the letter of its key position.
        const letter = /^[a-z]$/i.test(event.key) ? event.key.toLowerCase()
            : event.code.replace(/^Key/, '').toLowerCase();
        if (!KEYS[letter]) return;
        event.preventDefault();
        exec(KEYS[letter], null);
    });

    editor.addEventListener('paste', (event) => {
        event.preventDefault();
        insertData(event.clipboardData);
    });

    editor.addEventListener('dragstart', () => { dragging = true; });
    editor.addEventListener('dragend', () => { dragging = false; });
    // A drop the page does not take would be followed as a navigation (a file, a link).
    document.addEventListener('dragover', (event) => {
        if (!dragging) event.preventDefault();
    });
    document.addEventListener('drop', (event) => {
        if (dragging) return;
        event.preventDefault();
        const at = document.caretRangeFromPoint(event.clientX, event.clientY);
        if (!at || !editor.contains(at.startContainer)) return;
        editor.focus({ preventScroll: true });
        select(at);
        insertData(event.dataTransfer);
    });

    // Links are text to edit here, never places to go.
    for (const type of ['click', 'auxclick']) {
        document.addEventListener(type, (event) => {
            if (event.target.closest && event.target.closest('a')) event.preventDefault();
        }, true);
    }

    editor.addEventListener('input', () => {
        reportChange();
        reportState();
    });
    document.addEventListener('selectionchange', reportState);

    document.execCommand('defaultParagraphSeparator', false, 'div');
    document.execCommand('styleWithCSS', false, false);

    window.setContent = setContent;
    window.exec = exec;
    window.currentLink = currentLink;
    // The page's own words, which the program gives in the user's language: the title, what
    // screen readers call the editor, and the language's code.
    function useTexts(texts) {
        if (!texts || typeof texts !== 'object') return;
        if (typeof texts.language === 'string') document.documentElement.lang = texts.language;
        if (typeof texts.title === 'string') document.title = texts.title;
        if (typeof texts.label === 'string') editor.setAttribute('aria-label', texts.label);
    }

    window.Quillo.editor = {
        // Called once the program is reachable; sender(message) delivers one message, and
        // texts are the page's words (see useTexts).
        connect(sender, texts) {
            useTexts(texts);
            post = sender;
            send('ready');
            reportState();
        },
    };
})();
