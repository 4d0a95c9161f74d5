// Fills the character box's example sentences through the program's "kvbridge" object. Calls
// over the web channel answer asynchronously; texts are inserted as text, never as markup.
"use strict";

function showSentences(bridge, box) {
    var characters = box.getAttribute("data-characters");
    if (!characters)
        return;
    bridge.sentences(characters, function (sentences) {
        if (!sentences || sentences.length === 0)
            return;
        bridge.attributions(characters, function (sources) {
            bridge.translate("Example sentences", function (heading) {
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

document.addEventListener("DOMContentLoaded", function () {
    if (typeof QWebChannel === "undefined" || typeof qt === "undefined")
        return;
    new QWebChannel(qt.webChannelTransport, function (channel) {
        window.kvbridge = channel.objects.kvbridge;
        var box = document.getElementById("sentences");
        if (box)
            showSentences(window.kvbridge, box);
        document.body.setAttribute("data-bridge", "ready");
    });
});
