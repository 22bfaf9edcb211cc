// The page editor's own script. It runs in a world of its own beside the page, whose scripts are off:
// the document is shared, the page's globals are not.
'use strict';
window.quiveralEditor = (function () {
    const AREA = 'quiveral-edit-area';

    let changed = false;

    function root() {
        return document.getElementById(AREA) || document.body || document.documentElement;
    }

    function selectionRange() {
        const selection = window.getSelection();
        if (!selection || selection.rangeCount === 0)
            return null;
        const range = selection.getRangeAt(0);
        return root().contains(range.commonAncestorContainer) ? range : null;
    }

    // Keeps the caret in the editable part, so insertions never land in the page around it.
    function caretInside() {
        if (selectionRange())
            return;
        const range = document.createRange();
        range.selectNodeContents(root());
        range.collapse(false);
        const selection = window.getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
    }

    // Pasted text that did not come through the window's own paste keeps no formatting at all.
    function onPaste(event) {
        event.preventDefault();
        const text = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
        if (text)
            document.execCommand('insertText', false, text);
    }

    // A drop from another program is pasting too: it keeps its text only. Moves within the page stay.
    let draggingHere = false;
    function onDrop(event) {
        const data = event.dataTransfer;
        if (draggingHere || !data || !Array.from(data.types).includes('text/html'))
            return;
        event.preventDefault();
        const at = document.caretRangeFromPoint(event.clientX, event.clientY);
        if (at && root().contains(at.startContainer)) {
            const selection = window.getSelection();
            selection.removeAllRanges();
            selection.addRange(at);
            document.execCommand('insertText', false, data.getData('text/plain'));
        }
    }

    // The chapter text into its box, or between the markers of a page shown as it will be saved.
    function fill(content) {
        const area = document.getElementById(AREA);
        if (area) {
            area.innerHTML = content;
            return;
        }
        const walker = document.createTreeWalker(document, NodeFilter.SHOW_COMMENT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
            if (node.data === 'BookContent Start') {
                const range = document.createRange();
                range.setStartAfter(node);
                range.collapse(true);
                node.parentNode.insertBefore(range.createContextualFragment(content), node.nextSibling);
                return;
            }
        }
    }

    // --- Tables ---

    // The cell holding the caret, with its row and table; null outside a cell.
    function currentCell() {
        const range = selectionRange();
        if (!range)
            return null;
        for (let node = range.startContainer; node && node !== root().parentNode; node = node.parentNode) {
            if (node.nodeType === Node.ELEMENT_NODE && (node.tagName === 'TD' || node.tagName === 'TH')) {
                const row = node.parentNode;
                const table = row && row.parentNode ? row.parentNode.parentNode : null;
                if (!row || row.tagName !== 'TR' || !table || table.tagName !== 'TABLE')
                    return null;
                return { cell: node, row: row, table: table };
            }
        }
        return null;
    }

    function newCell(row, index) {
        const cell = row.insertCell(index);
        cell.innerHTML = '&nbsp;';
        return cell;
    }

    function spanOf(cell) {
        return Math.max(1, cell.colSpan || 1);
    }

    // For every row, the cell covering each grid column (rowSpan and colSpan taken into account).
    function grid(table) {
        const rows = Array.from(table.rows);
        const map = rows.map(() => []);
        rows.forEach((row, r) => {
            let column = 0;
            for (const cell of Array.from(row.cells)) {
                while (map[r][column])
                    column++;
                const down = cell.rowSpan > 0 ? cell.rowSpan : rows.length - r;
                for (let y = r; y < Math.min(rows.length, r + down); y++)
                    for (let x = column; x < column + spanOf(cell); x++)
                        map[y][x] = cell;
                column += spanOf(cell);
            }
        });
        return map;
    }

    const tableOps = {
        inRow(at) {
            let columns = 0;
            for (const cell of Array.from(at.row.cells))
                columns += spanOf(cell);
            const row = at.table.insertRow(at.row.rowIndex + 1);
            for (let i = 0; i < columns; i++)
                newCell(row, -1);
        },
        delRow(at) {
            at.table.deleteRow(at.row.rowIndex);
        },
        inCol(at) {
            const c = at.cell.cellIndex;
            for (const row of Array.from(at.table.rows))
                newCell(row, row.cells.length > c ? c + 1 : -1);
        },
        delCol(at) {
            const c = at.cell.cellIndex;
            for (const row of Array.from(at.table.rows)) {
                if (row.cells.length === 0)
                    continue;
                const cell = row.cells[Math.min(c, row.cells.length - 1)];
                if (spanOf(cell) > 1)
                    cell.colSpan = spanOf(cell) - 1;
                else
                    row.deleteCell(cell.cellIndex);
            }
        },
        merge(at) {
            const index = at.cell.cellIndex;
            if (index >= at.row.cells.length - 1)
                return;
            const next = at.row.cells[index + 1];
            at.cell.colSpan = spanOf(at.cell) + spanOf(next);
            at.row.deleteCell(index + 1);
        },
        split(at) {
            const cell = at.cell;
            if (spanOf(cell) >= 2) {
                newCell(at.row, cell.cellIndex + 1);
                cell.colSpan = spanOf(cell) - 1;
                return;
            }
            const map = grid(at.table);
            const r = at.row.rowIndex;
            const p = map[r].indexOf(cell);
            const down = cell.rowSpan > 0 ? cell.rowSpan : map.length - r;
            const widened = new Set();
            map.forEach((cells, y) => {
                const other = cells[p];
                if ((y < r || y >= r + down) && other && !widened.has(other)) {
                    widened.add(other);
                    other.colSpan = spanOf(other) + 1;
                }
            });
            newCell(at.row, cell.cellIndex + 1).rowSpan = cell.rowSpan;
        },
    };

    // --- Text: positions are indexes into the editable part's text ---

    function textIndex(container, offset) {
        const range = document.createRange();
        range.setStart(root(), 0);
        range.setEnd(container, offset);
        return range.toString().length;
    }

    function pointAt(index, preferNext) {
        const walker = document.createTreeWalker(root(), NodeFilter.SHOW_TEXT);
        let seen = 0;
        let last = null;
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
            const length = node.data.length;
            if (index < seen + length || (index === seen + length && !preferNext))
                return { node: node, offset: index - seen };
            seen += length;
            last = node;
        }
        return last ? { node: last, offset: last.data.length } : { node: root(), offset: 0 };
    }

    function rangeOf(start, length) {
        const from = pointAt(start, true);
        const to = pointAt(start + length, false);
        const range = document.createRange();
        range.setStart(from.node, from.offset);
        range.setEnd(to.node, to.offset);
        return range;
    }

    function select(range) {
        const selection = window.getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
    }

    function replaceWith(text) {
        document.execCommand(text ? 'insertText' : 'delete', false, text);
    }

    function elementAtCaret() {
        const range = selectionRange();
        if (!range)
            return null;
        let node = range.startContainer;
        if (node.nodeType === Node.ELEMENT_NODE && range.startOffset < node.childNodes.length &&
            range.endOffset === range.startOffset + 1)
            node = node.childNodes[range.startOffset]; // a selected picture or box
        while (node && node.nodeType !== Node.ELEMENT_NODE)
            node = node.parentNode;
        return node && node !== root() && root().contains(node) ? node : null;
    }

    return {
        // Puts the text between the page's markers (the page came without it: large pages load
        // far faster so) and opens it for editing; 'area' when only that text is editable.
        start(content, editable) {
            const area = document.getElementById(AREA);
            if (content !== undefined)
                fill(content);
            if (!editable)
                return area ? 'area' : 'page';
            if (area)
                area.contentEditable = 'true';
            else
                document.designMode = 'on';
            document.addEventListener('input', () => { changed = true; }, true);
            document.addEventListener('paste', onPaste, true);
            document.addEventListener('dragstart', () => { draggingHere = true; }, true);
            document.addEventListener('dragend', () => { draggingHere = false; }, true);
            document.addEventListener('drop', onDrop, true);
            // Links in the page are edited, not followed.
            document.addEventListener('click', (e) => { if (e.target.closest('a')) e.preventDefault(); }, true);
            root().focus();
            // Laid out before the window calls the page ready.
            void document.body.offsetHeight;
            return area ? 'area' : 'page';
        },
        // The edited text, or null while nobody has changed it.
        changedHtml() {
            if (!changed)
                return null;
            changed = false;
            return this.html();
        },
        html() {
            const area = document.getElementById(AREA);
            return area ? area.innerHTML : document.documentElement.outerHTML;
        },
        bIsCursorInTableCell() {
            return currentCell() !== null;
        },
        table(op) {
            const at = currentCell();
            if (!at || !tableOps[op])
                return false;
            tableOps[op](at);
            changed = true;
            return true;
        },
        tableAttributes() {
            const at = currentCell();
            if (!at)
                return null;
            const t = at.table;
            return { align: t.getAttribute('align') || '', border: t.getAttribute('border') || '',
                     cellpadding: t.getAttribute('cellpadding') || '',
                     cellspacing: t.getAttribute('cellspacing') || '',
                     width: t.getAttribute('width') || '', height: t.getAttribute('height') || '' };
        },
        setTableAttributes(values) {
            const at = currentCell();
            if (!at)
                return false;
            for (const name of Object.keys(values)) {
                if (values[name] === '')
                    at.table.removeAttribute(name);
                else
                    at.table.setAttribute(name, values[name]);
            }
            changed = true;
            return true;
        },
        insertHtml(html) {
            caretInside();
            document.execCommand('insertHTML', false, html);
        },
        insertText(text) {
            caretInside();
            document.execCommand('insertText', false, text);
        },
        command(name, value) {
            caretInside();
            return document.execCommand(name, false, value === undefined ? null : value);
        },
        selectAll() {
            const range = document.createRange();
            range.selectNodeContents(root());
            select(range);
        },
        // The whole text with where the selection ends, for the window's search.
        text() {
            const range = selectionRange();
            return { text: root().textContent,
                     end: range ? textIndex(range.endContainer, range.endOffset) : 0 };
        },
        selectText(start, length) {
            const range = rangeOf(start, length);
            select(range);
            const node = range.startContainer.nodeType === Node.ELEMENT_NODE ? range.startContainer
                                                                             : range.startContainer.parentNode;
            if (node && node.scrollIntoView)
                node.scrollIntoView({ block: 'center' });
        },
        selectedText() {
            const range = selectionRange();
            return range ? range.toString() : '';
        },
        replaceSelection(text) {
            replaceWith(text);
        },
        // Replaces the given places, last first so the earlier positions hold.
        replaceAt(starts, length, text) {
            for (let i = starts.length - 1; i >= 0; i--) {
                select(rangeOf(starts[i], length));
                replaceWith(text);
            }
        },
        // z-index of the element at the caret moved by step; false without one.
        raise(step) {
            const element = elementAtCaret();
            if (!element)
                return false;
            const current = parseInt(getComputedStyle(element).zIndex, 10);
            element.style.zIndex = String((isNaN(current) ? 0 : current) + step);
            changed = true;
            return true;
        },
        toggleAbsolute() {
            const element = elementAtCaret();
            if (!element)
                return false;
            element.style.position = element.style.position === 'absolute' ? '' : 'absolute';
            changed = true;
            return true;
        },
    };
})();
