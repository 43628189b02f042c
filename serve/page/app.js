// The search page: the desktop window's search form in a browser. It reads
// its tables (columns, drawing types) and the roots from the server, runs
// each search as one streamed request to /api/search, and keeps its criteria
// in the page's address so that a search can be bookmarked.
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);

  // The window's own words.
  const TEXT = {
    keywordHelpCaption: 'ｷｰﾜｰﾄﾞの入力方法',
    keywordHelp: '複数の条件を指定する場合（OR条件のみ）、文字を半角の"|"で区切ってください。\n' +
        'AND 条件の検索をする場合１つの条件で検索後、絞込検索してください。',
    noTypes: '検索するファイルの種類を指定してください',
    noPlace: 'ファイルを検索する場所を指定してください',
    nothingToNarrow: '絞り込む対象のファイルがありません',
    alreadyRunning: '検索中です。先に検索中止で止めてください',
    cancelled: '処理はｷｬﾝｾﾙされました',
    counting: 'ﾌｧｲﾙ数をｶｳﾝﾄしています',
    positiveInteger: '正の整数を入力してください。',
    download: 'ﾀﾞｳﾝﾛｰﾄﾞ',
    copyPath: 'ﾊﾟｽをｺﾋﾟｰ',
    copied: 'ｺﾋﾟｰしました',
  };

  // The columns in the order of the server's headers: the six cells of a
  // row and where it matched.
  const COLUMNS = ['name', 'type', 'folder', 'size', 'created', 'modified', 'match'];

  const state = {
    config: null,
    roots: [],
    rows: [],
    sort: {column: -1, ascending: true},
    search: null,        // the running search's AbortController
    lastCompleted: null, // {params, count}: the last search that ran to its end
  };

  const collator = new Intl.Collator('ja', {numeric: true});

  // --- messages --------------------------------------------------------------

  function showMessage(text, caption = 'Plotsieve') {
    $('message-title').textContent = caption;
    $('message-text').textContent = text;
    const dialog = $('message');
    if (!dialog.open) dialog.showModal();
  }

  function setStatus(text) {
    $('status').textContent = text;
  }

  // --- the criteria pages ----------------------------------------------------

  function selectTab(tab) {
    if (currentTab() === 'tab-size' && tab.id !== 'tab-size' && !sizesValid()) return;
    for (const other of document.querySelectorAll('[role="tab"]')) {
      const selected = other === tab;
      other.setAttribute('aria-selected', String(selected));
      other.tabIndex = selected ? 0 : -1;
      $(other.getAttribute('aria-controls')).hidden = !selected;
    }
    tab.focus();
  }

  function currentTab() {
    return document.querySelector('[role="tab"][aria-selected="true"]').id;
  }

  function setUpTabs() {
    const tabs = [...document.querySelectorAll('[role="tab"]')];
    for (const tab of tabs) {
      tab.addEventListener('click', () => selectTab(tab));
      tab.addEventListener('keydown', (event) => {
        const at = tabs.indexOf(tab);
        let next = null;
        if (event.key === 'ArrowRight') next = tabs[(at + 1) % tabs.length];
        if (event.key === 'ArrowLeft') next = tabs[(at + tabs.length - 1) % tabs.length];
        if (event.key === 'Home') next = tabs[0];
        if (event.key === 'End') next = tabs[tabs.length - 1];
        if (next) {
          event.preventDefault();
          selectTab(next);
        }
      });
    }
  }

  function today() {
    const now = new Date();
    const pad = (n) => String(n).padStart(2, '0');
    return `${now.getFullYear()}-${pad(now.getMonth() + 1)}-${pad(now.getDate())}`;
  }

  // The date page: a range applies only when a kind is chosen, and only the
  // pickers of the chosen range are enabled.
  function updateDatePage() {
    const kind = document.querySelector('input[name="date-kind"]:checked').value;
    const range = document.querySelector('input[name="date-range"]:checked').value;
    for (const input of document.querySelectorAll('input[name="date-range"]')) {
      input.disabled = kind === 'any';
    }
    $('before').disabled = kind === 'any' || range !== 'before';
    $('after').disabled = kind === 'any' || range !== 'after';
    $('between-from').disabled = kind === 'any' || range !== 'between';
    $('between-to').disabled = kind === 'any' || range !== 'between';
  }

  function setUpDatePage() {
    for (const id of ['before', 'after', 'between-from', 'between-to']) $(id).value = today();
    for (const input of document.querySelectorAll('input[name="date-kind"]')) {
      input.addEventListener('change', () => {
        // Choosing a kind starts from the before range, as the window does.
        if (input.value !== 'any') $('range-before').checked = true;
        updateDatePage();
      });
    }
    for (const input of document.querySelectorAll('input[name="date-range"]')) {
      input.addEventListener('change', updateDatePage);
    }
    updateDatePage();
  }

  function setUpSizePage() {
    for (const [box, edit] of [['use-min', 'min-kb'], ['use-max', 'max-kb']]) {
      $(box).addEventListener('change', () => {
        $(edit).disabled = !$(box).checked;
      });
    }
  }

  // Each size edit must hold an unsigned whole number (blanks around it
  // allowed); otherwise the message, and the focus goes to the edit.
  function sizesValid() {
    for (const id of ['min-kb', 'max-kb']) {
      if (!/^\s*\d+\s*$/.test($(id).value)) {
        selectTabQuietly('tab-size');
        showMessage(TEXT.positiveInteger);
        $('message').addEventListener('close', () => $(id).focus(), {once: true});
        return false;
      }
    }
    return true;
  }

  function selectTabQuietly(id) {
    for (const tab of document.querySelectorAll('[role="tab"]')) {
      const selected = tab.id === id;
      tab.setAttribute('aria-selected', String(selected));
      tab.tabIndex = selected ? 0 : -1;
      $(tab.getAttribute('aria-controls')).hidden = !selected;
    }
  }

  function setUpTypePage() {
    const box = $('types');
    for (const type of state.config.types) {
      const label = document.createElement('label');
      const input = document.createElement('input');
      input.type = 'checkbox';
      input.checked = true;
      input.value = type.name;
      input.className = 'type';
      label.append(input, ' ' + type.label);
      box.append(label);
    }
  }

  // Narrowing mode: the place is not used, nor the subfolder choice.
  function setNarrowing(on) {
    $('narrow').checked = on;
    $('root').disabled = on;
    $('dir').readOnly = on;
    $('choose').disabled = on;
    $('subfolders').disabled = on;
  }

  // --- the criteria as the API's parameters -----------------------------------

  // The parameters of the form's search, or null (with the message shown)
  // when it cannot start.
  function formParameters() {
    if (!sizesValid()) return null;
    const params = new URLSearchParams();
    params.set('keyword', $('keyword').value);
    if (!$('root').value) {
      showMessage(TEXT.noPlace);
      return null;
    }
    params.set('root', $('root').value);
    const dir = $('dir').value.trim().replace(/^\/+|\/+$/g, '');
    if (dir) params.set('dir', dir);
    if (!$('subfolders').checked) params.set('no-subfolders', '1');
    const types = [...document.querySelectorAll('input.type')];
    const chosen = types.filter((input) => input.checked).map((input) => input.value);
    if (chosen.length === 0) {
      showMessage(TEXT.noTypes);
      return null;
    }
    if (chosen.length !== types.length) params.set('types', chosen.join(','));
    const kind = document.querySelector('input[name="date-kind"]:checked').value;
    if (kind !== 'any') {
      params.set(kind, '1');
      const range = document.querySelector('input[name="date-range"]:checked').value;
      if (range === 'before') params.set('before', $('before').value || today());
      if (range === 'after') params.set('after', $('after').value || today());
      if (range === 'between') {
        params.set('after', $('between-from').value || today());
        params.set('before', $('between-to').value || today());
      }
    }
    for (const [box, edit, name] of [['use-min', 'min-kb', 'min-kb'],
                                     ['use-max', 'max-kb', 'max-kb']]) {
      const kb = parseInt($(edit).value, 10);
      if ($(box).checked && kb > 0) params.set(name, String(kb));
    }
    return params;
  }

  // Fills the form from a bookmarked address.
  function fillForm(params) {
    $('keyword').value = params.get('keyword') || '';
    if (params.has('root')) $('root').value = params.get('root');
    $('dir').value = params.get('dir') || '';
    $('subfolders').checked = !params.has('no-subfolders');
    if (params.has('types')) {
      const chosen = params.get('types').split(',');
      for (const input of document.querySelectorAll('input.type')) {
        input.checked = chosen.includes(input.value);
      }
    }
    const kind = params.has('created') ? 'created' : params.has('modified') ? 'modified' : 'any';
    document.querySelector(`input[name="date-kind"][value="${kind}"]`).checked = true;
    if (params.has('before') && params.has('after')) {
      $('range-between').checked = true;
      $('between-from').value = params.get('after');
      $('between-to').value = params.get('before');
    } else if (params.has('after')) {
      $('range-after').checked = true;
      $('after').value = params.get('after');
    } else if (params.has('before')) {
      $('range-before').checked = true;
      $('before').value = params.get('before');
    }
    updateDatePage();
    for (const [box, edit] of [['use-min', 'min-kb'], ['use-max', 'max-kb']]) {
      $(box).checked = params.has(edit);
      $(edit).disabled = !params.has(edit);
      if (params.has(edit)) $(edit).value = params.get(edit);
    }
  }

  // --- the result table ------------------------------------------------------

  function rootOf(name) {
    return state.roots.find((root) => root.name === name);
  }

  // A path under a root as the user's PC reaches it: the share, or else the
  // root's name, followed by the path.
  function shownPath(rootName, path) {
    const root = rootOf(rootName);
    if (root && root.share) {
      return root.share.replace(/\\+$/, '') + '\\' + path.replace(/\//g, '\\');
    }
    return rootName + '/' + path;
  }

  function cellText(row, column) {
    switch (column) {
      case 'folder': return shownPath(row.root, row.folder);
      case 'match': return row.match_kind ? `${row.match_kind}: ${row.match_text}` : '';
      default: return row[column];
    }
  }

  function setUpHeaders() {
    const headers = $('headers');
    state.config.columns.forEach((title, index) => {
      const th = document.createElement('th');
      th.scope = 'col';
      th.className = 'col-' + COLUMNS[index];
      th.setAttribute('aria-sort', 'none');
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = title;
      button.addEventListener('click', () => sortBy(index));
      th.append(button);
      headers.append(th);
    });
    const actions = document.createElement('th');
    actions.className = 'col-actions';
    actions.textContent = '';
    headers.append(actions);
  }

  function makeRow(row) {
    const tr = document.createElement('tr');
    tr.dataset.path = row.path;
    for (const column of COLUMNS) {
      const td = document.createElement('td');
      td.className = 'col-' + column;
      td.textContent = cellText(row, column);
      if (column === 'folder' || column === 'match') td.title = td.textContent;
      tr.append(td);
    }
    const actions = document.createElement('td');
    actions.className = 'col-actions';
    const link = document.createElement('a');
    const query = new URLSearchParams({root: row.root, path: row.path});
    link.href = 'api/drawing?' + query.toString();
    link.download = row.path.split('/').pop();
    link.textContent = TEXT.download;
    link.className = 'download';
    const copy = document.createElement('button');
    copy.type = 'button';
    copy.className = 'copy';
    copy.textContent = TEXT.copyPath;
    copy.title = shownPath(row.root, row.path);
    copy.addEventListener('click', () => copyText(copy.title, copy));
    actions.append(link, ' ', copy);
    tr.append(actions);
    return tr;
  }

  function appendRows(rows) {
    const fragment = document.createDocumentFragment();
    for (const row of rows) fragment.append(makeRow(row));
    $('rows').append(fragment);
  }

  function renderRows() {
    const body = $('rows');
    body.replaceChildren();
    appendRows(state.rows);
  }

  // The sort keys of a column: its text by collation, sizes and times by
  // their values; rows equal in it follow by name, folder and path.
  function compareRows(a, b, column) {
    let order = 0;
    switch (column) {
      case 'size': order = a.bytes - b.bytes; break;
      case 'created': order = Date.parse(a.created_iso) - Date.parse(b.created_iso); break;
      case 'modified': order = Date.parse(a.modified_iso) - Date.parse(b.modified_iso); break;
      default: order = collator.compare(cellText(a, column), cellText(b, column));
    }
    if (order !== 0) return order;
    return collator.compare(a.name, b.name) || collator.compare(a.folder, b.folder) ||
        (a.path < b.path ? -1 : a.path > b.path ? 1 : 0);
  }

  // A click on a header sorts by the column, ascending, or reversed when it
  // was the last column sorted by.
  function sortBy(index) {
    const ascending = state.sort.column === index ? !state.sort.ascending : true;
    state.sort = {column: index, ascending};
    const column = COLUMNS[index];
    state.rows.sort((a, b) => (ascending ? 1 : -1) * compareRows(a, b, column));
    [...$('headers').children].forEach((th, at) => {
      if (at < COLUMNS.length) {
        th.setAttribute('aria-sort', at === index ? (ascending ? 'ascending' : 'descending') : 'none');
      }
    });
    renderRows();
  }

  function clearRows() {
    state.rows = [];
    state.sort = {column: -1, ascending: true};
    for (const th of $('headers').children) {
      if (th.hasAttribute('aria-sort')) th.setAttribute('aria-sort', 'none');
    }
    $('rows').replaceChildren();
  }

  // Copies through the clipboard API where the page may use it (a secure
  // context), and through a selected text otherwise.
  async function copyText(text, button) {
    let done = false;
    if (navigator.clipboard && window.isSecureContext) {
      try {
        await navigator.clipboard.writeText(text);
        done = true;
      } catch (error) {
        done = false;
      }
    }
    if (!done) {
      const area = document.createElement('textarea');
      area.value = text;
      area.className = 'offscreen';
      document.body.append(area);
      area.select();
      done = document.execCommand('copy');
      area.remove();
    }
    if (done) {
      button.textContent = TEXT.copied;
      setTimeout(() => { button.textContent = TEXT.copyPath; }, 1500);
    }
  }

  // --- searching -------------------------------------------------------------

  async function startSearch() {
    if (state.search) {
      showMessage(TEXT.alreadyRunning);
      return;
    }
    let params;
    if ($('narrow').checked) {
      if (!state.lastCompleted || state.lastCompleted.count === 0) {
        showMessage(TEXT.nothingToNarrow);
        setNarrowing(false);
        return;
      }
      // The last search again, its hits narrowed by one more keyword text.
      params = new URLSearchParams(state.lastCompleted.params);
      params.append('and', $('keyword').value);
    } else {
      params = formParameters();
      if (!params) return;
    }
    history.replaceState(null, '', '?' + params.toString());
    await runSearch(params);
  }

  function stopSearch() {
    if (state.search) state.search.abort();
  }

  async function runSearch(params) {
    const controller = new AbortController();
    state.search = controller;
    document.body.classList.add('searching');
    clearRows();
    setStatus($('narrow').checked ? '' : TEXT.counting);
    const streamed = new URLSearchParams(params);
    streamed.set('progress', '1');
    let summary = null;
    try {
      const response = await fetch('api/search?' + streamed.toString(),
                                   {signal: controller.signal, cache: 'no-store'});
      if (!response.ok) {
        let error = response.statusText;
        try {
          error = (await response.json()).error || error;
        } catch (ignored) {
          // the status text stays
        }
        setStatus('');
        showMessage(error);
        return;
      }
      summary = await readStream(response.body.getReader());
    } catch (error) {
      if (controller.signal.aborted) {
        setStatus(TEXT.cancelled);
      } else {
        setStatus('');
        showMessage(String(error.message || error));
      }
      return;
    } finally {
      state.search = null;
      document.body.classList.remove('searching');
    }
    if (!summary) {
      setStatus(TEXT.cancelled);
      return;
    }
    let text = summary.status;
    if (summary.messages.length > 0) text += ' — ' + summary.messages.join(' / ');
    setStatus(text);
    if (!summary.stopped) {
      state.lastCompleted = {params: params.toString(), count: summary.count};
      setNarrowing(false);
    }
  }

  // Reads the search's lines as they come: rows go to the table at once,
  // progress to the status line; the summary comes last.
  async function readStream(reader) {
    const decoder = new TextDecoder();
    let buffer = '';
    let summary = null;
    for (;;) {
      const {value, done} = await reader.read();
      if (done) break;
      buffer += decoder.decode(value, {stream: true});
      const lines = buffer.split('\n');
      buffer = lines.pop();
      const rows = [];
      for (const line of lines) {
        if (!line) continue;
        const item = JSON.parse(line);
        if ('count' in item) {
          summary = item;
        } else if ('progress' in item) {
          setStatus(item.progress);
        } else {
          rows.push(item);
        }
      }
      if (rows.length > 0) {
        state.rows.push(...rows);
        appendRows(rows);
      }
    }
    return summary;
  }

  // --- the folder chooser ------------------------------------------------------

  async function listFolders(dir) {
    const query = new URLSearchParams({root: $('root').value, dir});
    const response = await fetch('api/folders?' + query.toString(), {cache: 'no-store'});
    const body = await response.json();
    if (!response.ok) throw new Error(body.error);
    return body.folders;
  }

  async function showChooser() {
    const dialog = $('chooser');
    let dir = $('dir').value.trim().replace(/^\/+|\/+$/g, '');
    const list = $('chooser-list');
    async function open(next) {
      let folders;
      try {
        folders = await listFolders(next);
      } catch (error) {
        if (next !== '') return open('');
        showMessage(String(error.message || error));
        return;
      }
      dir = next;
      $('chooser-path').textContent = shownPath($('root').value, dir);
      list.replaceChildren();
      for (const name of folders) {
        const item = document.createElement('li');
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = name;
        button.addEventListener('click', () => open(dir ? dir + '/' + name : name));
        item.append(button);
        list.append(item);
      }
    }
    $('chooser-up').onclick = () => open(dir.includes('/') ? dir.slice(0, dir.lastIndexOf('/')) : '');
    dialog.onclose = () => {
      if (dialog.returnValue === 'ok') $('dir').value = dir;
    };
    await open(dir);
    if (!dialog.open) dialog.showModal();
  }

  // --- start-up ----------------------------------------------------------------

  async function fetchJson(path) {
    const response = await fetch(path, {cache: 'no-store'});
    const body = await response.json();
    if (!response.ok) throw new Error(body.error);
    return body;
  }

  async function start() {
    try {
      [state.config, state.roots] = await Promise.all([fetchJson('api/config'),
                                                       fetchJson('api/roots')]);
    } catch (error) {
      setStatus(String(error.message || error));
      return;
    }
    const rootSelect = $('root');
    for (const root of state.roots) {
      const option = document.createElement('option');
      option.value = root.name;
      option.textContent = root.share ? `${root.name} (${root.share})` : root.name;
      rootSelect.append(option);
    }
    setUpTypePage();
    setUpHeaders();
    setUpTabs();
    setUpDatePage();
    setUpSizePage();
    $('keyword-help').addEventListener('click',
                                       () => showMessage(TEXT.keywordHelp, TEXT.keywordHelpCaption));
    $('choose').addEventListener('click', showChooser);
    $('narrow').addEventListener('change', () => setNarrowing($('narrow').checked));
    $('form').addEventListener('submit', (event) => {
      event.preventDefault();
      startSearch();
    });
    $('stop').addEventListener('click', stopSearch);
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && state.search) stopSearch();
    });
    document.body.classList.add('ready');
    const params = new URLSearchParams(location.search);
    if ([...params.keys()].length > 0) {
      fillForm(params);
      runSearch(params);
    }
    $('keyword').focus();
  }

  document.addEventListener('DOMContentLoaded', start);
})();
