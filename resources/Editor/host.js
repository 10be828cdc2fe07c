// The way to the program: Qt's web channel, whose host object "bridge" has a slot
// post(message) taking one object. The editor itself only knows Quillo.editor.connect.
(function () {
    'use strict';

    function connect() {
        const transport = window.qt && window.qt.webChannelTransport;
        if (typeof window.QWebChannel !== 'function' || !transport) return false;
        new window.QWebChannel(transport, (channel) => {
            const bridge = channel.objects.bridge;
            if (!bridge || typeof bridge.post !== 'function') return;
            // A callback rather than the returned promise: the slot returns nothing, and an
            // answer without a value would reject that promise. The page's words come along,
            // in the user's language.
            window.Quillo.editor.connect((message) => bridge.post(message, () => {}), bridge.texts);
        });
        return true;
    }

    // The transport may only be installed once the page has loaded.
    if (!connect()) window.addEventListener('load', connect, { once: true });
})();
