#include "platform/html/script_dom_stand_in.h"

const wchar_t* ScriptDomStandIn() {
    return LR"JS(
var window = this;
window.external = {};
var __halDom = (function () {
    var byId = {};
    var readyCallbacks = [];
    var timers = [];
    var nextTimer = 1;
    var isReady = false;

    function stripTags(markup) {
        return String(markup).replace(/<[^>]*>/g, '');
    }
    function escapeMarkup(text) {
        return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
    }

    function Element(id, tag, text, hidden) {
        this.id = id;
        this.tagName = String(tag).toUpperCase();
        this.innerText = text;
        this.innerHTML = escapeMarkup(text);
        this.value = '';
        this.className = '';
        this.style = { display: hidden ? 'none' : '' };
        this.onclick = null;
        this.__attributes = {};
        this.__handlers = [];
        this.__seenText = this.innerText;
        this.__seenHtml = this.innerHTML;
    }
    Element.prototype.setAttribute = function (name, value) {
        this.__attributes[name] = String(value);
        if (name === 'class') this.className = String(value);
    };
    Element.prototype.getAttribute = function (name) {
        if (name === 'class') return this.className;
        return this.__attributes.hasOwnProperty(name) ? this.__attributes[name] : null;
    };
    Element.prototype.attachEvent = function (name, handler) {
        if (name === 'onclick') this.__handlers.push(handler);
    };
    Element.prototype.addEventListener = function (name, handler) {
        if (name === 'click') this.__handlers.push(handler);
    };
    Element.prototype.click = function () {
        var event = { srcElement: this, target: this, returnValue: true };
        if (typeof this.onclick === 'function') this.onclick.call(this, event);
        for (var i = 0; i < this.__handlers.length; i++) this.__handlers[i].call(this, event);
    };
    // The text as the user sees it, whichever way the page last wrote it (the
    // page may also write innerText or innerHTML directly).
    Element.prototype.__text = function () {
        if (this.innerHTML !== this.__seenHtml) {
            this.innerText = stripTags(this.innerHTML);
        }
        this.__seenText = this.innerText;
        this.__seenHtml = this.innerHTML;
        return String(this.innerText);
    };
    Element.prototype.__setText = function (text) {
        this.innerText = String(text);
        this.innerHTML = escapeMarkup(text);
        this.__seenText = this.innerText;
        this.__seenHtml = this.innerHTML;
    };
    Element.prototype.__setHtml = function (markup) {
        this.innerHTML = String(markup);
        this.innerText = stripTags(markup);
        this.__seenText = this.innerText;
        this.__seenHtml = this.innerHTML;
    };

    function Selection(elements) {
        this.elements = elements;
        this.length = elements.length;
        for (var i = 0; i < elements.length; i++) this[i] = elements[i];
    }
    Selection.prototype.each = function (visit) {
        for (var i = 0; i < this.elements.length; i++) visit.call(this.elements[i], i, this.elements[i]);
        return this;
    };
    Selection.prototype.text = function (text) {
        if (arguments.length === 0) return this.length ? this.elements[0].__text() : '';
        return this.each(function () { this.__setText(text); });
    };
    Selection.prototype.html = function (markup) {
        if (arguments.length === 0) return this.length ? this.elements[0].innerHTML : undefined;
        return this.each(function () { this.__setHtml(markup); });
    };
    Selection.prototype.val = function (value) {
        if (arguments.length === 0) return this.length ? this.elements[0].value : undefined;
        return this.each(function () { this.value = String(value); });
    };
    Selection.prototype.show = function () {
        return this.each(function () { this.style.display = ''; });
    };
    Selection.prototype.hide = function () {
        return this.each(function () { this.style.display = 'none'; });
    };
    Selection.prototype.toggle = function (visible) {
        return this.each(function () {
            var show = arguments.length ? visible : this.style.display === 'none';
            this.style.display = show ? '' : 'none';
        });
    };
    Selection.prototype.is = function (what) {
        if (what === ':visible') return this.length > 0 && this.elements[0].style.display !== 'none';
        if (what === ':hidden') return this.length === 0 || this.elements[0].style.display === 'none';
        return false;
    };
    Selection.prototype.attr = function (name, value) {
        if (arguments.length === 1) return this.length ? this.elements[0].getAttribute(name) : undefined;
        return this.each(function () { this.setAttribute(name, value); });
    };
    Selection.prototype.css = function (name, value) {
        if (arguments.length === 1) return this.length ? this.elements[0].style[name] : undefined;
        return this.each(function () { this.style[name] = String(value); });
    };
    Selection.prototype.addClass = function (name) {
        return this.each(function () {
            if ((' ' + this.className + ' ').indexOf(' ' + name + ' ') < 0) {
                this.className = this.className ? this.className + ' ' + name : name;
            }
        });
    };
    Selection.prototype.removeClass = function (name) {
        return this.each(function () {
            this.className = (' ' + this.className + ' ').replace(' ' + name + ' ', ' ').replace(/^\s+|\s+$/g, '');
        });
    };
    Selection.prototype.hasClass = function (name) {
        return this.length > 0 && (' ' + this.elements[0].className + ' ').indexOf(' ' + name + ' ') >= 0;
    };
    Selection.prototype.click = function (handler) {
        if (arguments.length === 0) return this.each(function () { this.click(); });
        return this.each(function () { this.__handlers.push(handler); });
    };
    Selection.prototype.ready = function (callback) {
        jQuery(callback);
        return this;
    };

    var documentSelection = new Selection([]);
    function jQuery(what) {
        if (typeof what === 'function') {
            if (isReady) what(jQuery);
            else readyCallbacks.push(what);
            return documentSelection;
        }
        if (what === document || what === window) return documentSelection;
        if (typeof what === 'string') {
            if (/^#[\w\-]+$/.test(what)) {
                var element = byId[what.substring(1)];
                return new Selection(element ? [element] : []);
            }
            throw new Error('The page stand-in knows only #id selectors: ' + what);
        }
        if (what && what.tagName) return new Selection([what]);
        return new Selection([]);
    }
    jQuery.trim = function (text) { return String(text).replace(/^\s+|\s+$/g, ''); };
    jQuery.each = function (items, visit) {
        for (var i = 0; i < items.length; i++) visit.call(items[i], i, items[i]);
        return items;
    };

    var dom = {
        define: function (id, tag, text, hidden) {
            byId[id] = new Element(id, tag, text, hidden === '1');
        },
        element: function (id) {
            return byId.hasOwnProperty(id) ? byId[id] : null;
        },
        ready: function () {
            isReady = true;
            var callbacks = readyCallbacks;
            readyCallbacks = [];
            for (var i = 0; i < callbacks.length; i++) callbacks[i](jQuery);
            if (typeof window.onload === 'function') window.onload();
            dom.runTimers();
        },
        addTimer: function (callback, repeat) {
            timers.push({ id: nextTimer, callback: callback, repeat: repeat });
            return nextTimer++;
        },
        removeTimer: function (id) {
            for (var i = 0; i < timers.length; i++) {
                if (timers[i].id === id) {
                    timers.splice(i, 1);
                    return;
                }
            }
        },
        // Every waiting timeout runs once, and every interval once per call.
        runTimers: function () {
            var due = timers;
            timers = [];
            for (var i = 0; i < due.length; i++) {
                if (due[i].repeat) timers.push(due[i]);
            }
            for (var j = 0; j < due.length; j++) {
                if (typeof due[j].callback === 'function') due[j].callback();
            }
        },
        jQuery: jQuery
    };
    return dom;
})();
var document = {
    getElementById: function (id) { return __halDom.element(id); },
    body: null
};
var jQuery = __halDom.jQuery;
var $ = jQuery;
function setTimeout(callback, delay) { return __halDom.addTimer(callback, false); }
function setInterval(callback, delay) { return __halDom.addTimer(callback, true); }
function clearTimeout(id) { __halDom.removeTimer(id); }
function clearInterval(id) { __halDom.removeTimer(id); }
function __halDomDefine(id, tag, text, hidden) { __halDom.define(id, tag, text, hidden); }
function __halDomReady() { __halDom.ready(); }
function __halDomRunTimers() { __halDom.runTimers(); }
function __halDomHas(id) { return String(__halDom.element(id) !== null); }
function __halDomText(id) { var e = __halDom.element(id); return e ? e.__text() : ''; }
function __halDomSetText(id, text) { var e = __halDom.element(id); if (e) e.__setText(text); return String(e !== null); }
function __halDomVisible(id) { var e = __halDom.element(id); return String(e !== null && e.style.display !== 'none'); }
function __halDomValue(id) { var e = __halDom.element(id); return e ? String(e.value) : ''; }
function __halDomSetValue(id, value) { var e = __halDom.element(id); if (e) e.value = value; }
function __halDomAttribute(id, name) {
    var e = __halDom.element(id);
    var value = e ? e.getAttribute(name) : null;
    return value === null ? '' : String(value);
}
function __halDomClick(id) { var e = __halDom.element(id); if (e) e.click(); }
)JS";
}
