// The dictionary page's scripts: the page is loaded once, and each search's status and results
// arrive through the program's "kvbridge" object, which replaces the page's nodes. Calls over
// the web channel answer asynchronously; sentence texts are inserted as text, never as markup.
"use strict";

function showSentences(bridge, box) {
    var characters = box.getAttribute("data-characters");
    if (!characters)
        return;
    bridge.sentences(characters, function (sentences) {
        if (!sentences || sentences.length === 0 || !box.isConnected)
            return;
        bridge.attributions(characters, function (sources) {
            bridge.translate("Example sentences", function (heading) {
                if (!box.isConnected)
                    return;
                var title = document.createElement("h3");
                title.textContent = heading;
                box.appendChild(title);
                sentences.forEach(function (text, index) {
                    var line = document.createElement("div");
                    line.className = "sentence";
                    var open = text.indexOf(" (");
                    var chinese = document.createElement("span");
                    chinese.className = "sentenceText";
                    chinese.textContent = open > 0 ? text.substring(0, open) : text;
                    line.appendChild(chinese);
                    if (open > 0) {
                        var english = document.createElement("span");
                        english.className = "sentenceEnglish";
                        english.textContent = " " + text.substring(open + 1);
                        line.appendChild(english);
                    }
                    if (sources && sources[index]) {
                        var source = document.createElement("div");
                        source.className = "sentenceSource";
                        source.textContent = sources[index];
                        line.appendChild(source);
                    }
                    box.appendChild(line);
                });
                document.body.setAttribute("data-sentences", String(sentences.length));
            });
        });
    });
}

// The markup comes from the program's templates, with every text in it escaped.
function showContent(bridge, status, results, generation) {
    document.body.removeAttribute("data-sentences");
    document.getElementById("status").innerHTML = status;
    document.getElementById("results").innerHTML = results;
    window.scrollTo(0, 0);
    document.body.setAttribute("data-generation", String(generation));
    // A frame callback runs just before the frame with the new nodes is painted; a message
    // posted from it is delivered once that painting is done. The example sentences are asked
    // for only then, so that reading them never holds the results back.
    var box = document.getElementById("sentences");
    window.requestAnimationFrame(function () {
        var channel = new MessageChannel();
        channel.port1.onmessage = function () {
            bridge.contentShown(generation);
            if (box && box.isConnected)
                showSentences(bridge, box);
        };
        channel.port2.postMessage(null);
    });
}

document.addEventListener("DOMContentLoaded", function () {
    if (typeof QWebChannel === "undefined" || typeof qt === "undefined")
        return;
    new QWebChannel(qt.webChannelTransport, function (channel) {
        var bridge = channel.objects.kvbridge;
        window.kvbridge = bridge;
        bridge.contentChanged.connect(function (status, results, generation) {
            showContent(bridge, status, results, generation);
        });
        var box = document.getElementById("sentences");
        if (box)
            showSentences(bridge, box);
        document.body.setAttribute("data-bridge", "ready");
        bridge.pageReady();
    });
});
