#include "platform/html/script_dom_stand_in.h"

const wchar_t* ScriptDomStandIn() {
    return LR"JS(
var window = this;
window.external = {};
var __halDom = (function () {
    var byId = {};
    var all = [];         // the markup's elements in document order
    var forms = {};       // by name: { elements: { name: element } }
    var clicked = [];     // ids of elements the page's script clicked
    var userClicked = null;
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
        this.name = '';
        this.children = [];
        this.parentNode = null;
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
        // A click the page's own script makes reaches the window as the browser's
        // would; the user's click is reported by the host itself.
        if (this !== userClicked && this.id) clicked.push(this.id);
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

    function hasClass(element, name) {
        return (' ' + element.className + ' ').indexOf(' ' + name + ' ') >= 0;
    }
    function descendantsOf(element, found) {
        for (var i = 0; i < element.children.length; i++) {
            found.push(element.children[i]);
            descendantsOf(element.children[i], found);
        }
        return found;
    }
    // One step of a selector: a tag name, an id and classes, as in "tr", ".row",
    // "#table", "a.link".
    function matches(element, step) {
        var parts = /^(\w*)(?:#([\w\-]+))?((?:\.[\w\-]+)*)$/.exec(step);
        if (!parts) throw new Error('The page stand-in cannot read the selector ' + step);
        if (parts[1] && element.tagName !== parts[1].toUpperCase()) return false;
        if (parts[2] && element.id !== parts[2]) return false;
        if (parts[3]) {
            var names = parts[3].split('.');
            for (var i = 1; i < names.length; i++) {
                if (!hasClass(element, names[i])) return false;
            }
        }
        return true;
    }
    // Steps separated by blanks, each looked for below the one before.
    function select(selector) {
        var steps = String(selector).replace(/^\s+|\s+$/g, '').split(/\s+/);
        var scope = null;
        for (var s = 0; s < steps.length; s++) {
            var pool = [];
            if (scope === null) {
                for (var r = 0; r < all.length; r++) {
                    if (all[r].parentNode === null) {
                        pool.push(all[r]);
                        descendantsOf(all[r], pool);
                    }
                }
            } else {
                for (var k = 0; k < scope.length; k++) descendantsOf(scope[k], pool);
            }
            var next = [];
            for (var i = 0; i < pool.length; i++) {
                var seen = false;
                for (var j = 0; j < next.length; j++) seen = seen || next[j] === pool[i];
                if (!seen && matches(pool[i], steps[s])) next.push(pool[i]);
            }
            scope = next;
        }
        return scope || [];
    }
    // A new element from one start tag with its attributes, as in '<td class="x">'.
    function create(markup) {
        var start = /^<(\w+)([^>]*)>/.exec(markup);
        if (!start) throw new Error('The page stand-in cannot make ' + markup);
        var element = new Element('', start[1], '', false);
        var attribute = /([\w\-]+)\s*=\s*"([^"]*)"/g;
        var found;
        while ((found = attribute.exec(start[2])) !== null) {
            if (found[1] === 'id') element.id = found[2];
            else element.setAttribute(found[1], found[2]);
        }
        return element;
    }
    function detach(element) {
        var parent = element.parentNode;
        if (!parent) return;
        for (var i = 0; i < parent.children.length; i++) {
            if (parent.children[i] === element) {
                parent.children.splice(i, 1);
                break;
            }
        }
        element.parentNode = null;
    }

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
    Selection.prototype.toggleClass = function (name, state) {
        var given = arguments.length > 1;
        return this.each(function () {
            var on = given ? !!state : !hasClass(this, name);
            if (on && !hasClass(this, name)) this.className = this.className ? this.className + ' ' + name : name;
            if (!on) {
                this.className = (' ' + this.className + ' ').replace(' ' + name + ' ', ' ').replace(/^\s+|\s+$/g, '');
            }
        });
    };
    Selection.prototype.append = function () {
        var parent = this.elements[0];
        if (!parent) return this;
        for (var a = 0; a < arguments.length; a++) {
            var item = arguments[a];
            var list = item && item.elements ? item.elements : (item && item.tagName ? [item] : []);
            for (var i = 0; i < list.length; i++) {
                detach(list[i]);
                list[i].parentNode = parent;
                parent.children.push(list[i]);
            }
        }
        return this;
    };
    Selection.prototype.empty = function () {
        return this.each(function () {
            var children = this.children.slice(0);
            for (var i = 0; i < children.length; i++) detach(children[i]);
            this.__setText('');
        });
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
            if (what.charAt(0) === '<') return new Selection([create(what)]);
            return new Selection(select(what));
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
        // The markup's elements in document order; `parent` is the index of the
        // enclosing one (-1 at the top).
        define: function (id, tag, text, hidden, className, name, parent) {
            var element = new Element(id || '', tag, text, hidden === '1');
            if (className) element.className = String(className);
            if (name) element.name = String(name);
            var above = parseInt(parent, 10);
            if (!isNaN(above) && above >= 0 && all[above]) {
                element.parentNode = all[above];
                all[above].children.push(element);
            }
            all.push(element);
            if (id) byId[id] = element;
            if (element.tagName === 'FORM' && (element.name || element.id)) {
                forms[element.name || element.id] = { elements: {} };
            }
            if (element.name && element.tagName !== 'FORM') {
                for (var up = element.parentNode; up; up = up.parentNode) {
                    if (up.tagName === 'FORM' && forms[up.name || up.id]) {
                        forms[up.name || up.id].elements[element.name] = element;
                        break;
                    }
                }
            }
            if (element.tagName === 'BODY') dom.body = element;
        },
        forms: forms,
        body: null,
        select: select,
        userClick: function (element) {
            userClicked = element;
            try {
                element.click();
            } finally {
                userClicked = null;
            }
        },
        takeClicks: function () {
            var ids = clicked.join('|');
            clicked = [];
            return ids;
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
    body: __halDom.body,
    forms: __halDom.forms
};
var jQuery = __halDom.jQuery;
var $ = jQuery;
function setTimeout(callback, delay) { return __halDom.addTimer(callback, false); }
function setInterval(callback, delay) { return __halDom.addTimer(callback, true); }
function clearTimeout(id) { __halDom.removeTimer(id); }
function clearInterval(id) { __halDom.removeTimer(id); }
function __halDomDefine(id, tag, text, hidden, className, name, parent) {
    __halDom.define(id, tag, text, hidden, className, name, parent);
    document.body = __halDom.body;
}
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
function __halDomClick(id) { var e = __halDom.element(id); if (e) __halDom.userClick(e); }
function __halDomCount(selector) { return String(__halDom.select(selector).length); }
function __halDomTextAt(selector, index) {
    var e = __halDom.select(selector)[parseInt(index, 10)];
    return e ? e.__text() : '';
}
function __halDomAttributeAt(selector, index, name) {
    var e = __halDom.select(selector)[parseInt(index, 10)];
    var value = e ? e.getAttribute(name) : null;
    return value === null ? '' : String(value);
}
function __halDomClickAt(selector, index) {
    var e = __halDom.select(selector)[parseInt(index, 10)];
    if (e) __halDom.userClick(e);
    return String(!!e);
}
function __halDomTakeClicks() { return __halDom.takeClicks(); }
)JS";
}
