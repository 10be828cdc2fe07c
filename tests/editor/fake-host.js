'use strict';

// The program as the editor page meets it, for tests: qt.webChannelTransport speaking the web
// channel's JSON messages, publishing one object "bridge" whose slot post(message) records
// each message. Injected into the page before its scripts, next to the real qwebchannel.js,
// so that the page's own connection code runs unchanged; with options.texts, "bridge" also
// has the property texts. Self-contained: Playwright sends its source to the page.
function installFakeHost(options) {
    const INIT = 3;
    const IDLE = 4;
    const INVOKE_METHOD = 6;
    const RESPONSE = 10;
    const POST_INDEX = 5;

    const host = {
        messages: [], // what the page posted to bridge.post, in order
        traffic: [], // every message the page sent over the transport
        faults: [], // anything the program would not have understood
    };
    let heldInit = null;

    const transport = {
        onmessage: null,
        send(text) {
            if (typeof text !== 'string') {
                host.faults.push('transport got a ' + typeof text + ', not JSON text');
                return;
            }
            const message = JSON.parse(text);
            host.traffic.push(message);
            if (message.type === INIT) {
                if (options.hold) heldInit = message.id;
                else answerInit(message.id);
            } else if (message.type === INVOKE_METHOD) {
                receive(message);
            } else if (message.type !== IDLE) {
                host.faults.push('unexpected message: ' + text);
            }
        },
    };

    // Answers arrive later, as they do from the program's process.
    function deliver(message) {
        setTimeout(() => transport.onmessage({ data: JSON.stringify(message) }), 0);
    }

    function answerInit(id) {
        deliver({
            type: RESPONSE,
            id,
            data: {
                bridge: {
                    methods: [['deleteLater', 4], ['deleteLater()', 4], ['post', POST_INDEX],
                        ['post(QVariantMap)', POST_INDEX]],
                    signals: [['destroyed', 0], ['destroyed(QObject*)', 0]],
                    // A constant property, as the program's "texts", has no notify signal.
                    properties: [[0, 'objectName', [1, 2], 'bridge']].concat(
                        options.texts ? [[1, 'texts', [], options.texts]] : []),
                    enums: {},
                },
            },
        });
    }

    function receive(message) {
        const args = message.args;
        const isMap = args && args.length === 1 && args[0] !== null
            && typeof args[0] === 'object' && !Array.isArray(args[0]);
        if (message.object === 'bridge' && (message.method === 'post' || message.method === POST_INDEX)
            && isMap) {
            host.messages.push(args[0]);
        } else {
            host.faults.push('unexpected call: ' + JSON.stringify(message));
        }
        // A slot that returns nothing: the answer carries no value.
        if ('id' in message) deliver({ type: RESPONSE, id: message.id });
    }

    // With options.hold, the connection completes only when the test says so.
    host.release = () => {
        if (heldInit !== null) answerInit(heldInit);
        heldInit = null;
    };

    window.qt = { webChannelTransport: transport };
    window.fakeHost = host;
}

module.exports = { installFakeHost };
