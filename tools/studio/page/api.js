// SPDX-License-Identifier: MIT
// The studio's requests. Every request that changes anything carries the token the page was
// served with; the cookie carries it on every request.

const token = document.querySelector('meta[name="veltrane-token"]').content;

// A failed request, with the studio's one sentence about it.
export class StudioError extends Error {}

async function sentenceOf(response) {
  try {
    const body = await response.json();
    if (body && typeof body.error === 'string') return body.error;
  } catch (ignored) {
    // not JSON: the status says it
  }
  return `the studio answered ${response.status} ${response.statusText}`.trim();
}

async function request(method, path, body, type) {
  const headers = {};
  if (method !== 'GET') headers['X-Veltrane-Token'] = token;
  if (type) headers['Content-Type'] = type;
  let response;
  try {
    response = await fetch(path, { method, headers, body, credentials: 'same-origin' });
  } catch (error) {
    throw new StudioError('the studio cannot be reached; is it still running?');
  }
  if (!response.ok) throw new StudioError(await sentenceOf(response));
  return response;
}

export async function getJson(path) {
  return (await request('GET', path)).json();
}

export async function sendJson(method, path, document) {
  const response = await request(method, path, JSON.stringify(document), 'application/json');
  return response.status === 204 ? null : response.json();
}

export async function putText(path, text) {
  return (await request('PUT', path, text, 'application/json')).json();
}

export async function postBytes(path, bytes, type) {
  return (await request('POST', path, bytes, type)).json();
}

// Reads the run's event stream, handing each snapshot to `onSnapshot`, until the run ends. A
// plain streamed response rather than an EventSource, which would reconnect by itself.
export async function followRun(onSnapshot) {
  const response = await request('GET', '/api/runs/events');
  const reader = response.body.getReader();
  const decoder = new TextDecoder();
  let buffered = '';
  for (;;) {
    const { value, done } = await reader.read();
    if (done) return;
    buffered += decoder.decode(value, { stream: true });
    let end;
    while ((end = buffered.indexOf('\n\n')) >= 0) {
      const event = buffered.slice(0, end);
      buffered = buffered.slice(end + 2);
      if (event.startsWith('data: ')) onSnapshot(JSON.parse(event.slice(6)));
    }
  }
}

export const path = (base, params) => `${base}?${new URLSearchParams(params)}`;
