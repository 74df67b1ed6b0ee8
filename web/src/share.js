// A program in a link: the URL's fragment `#code=` followed by the source's UTF-8 bytes in
// base64url without padding. The fragment never reaches the server, so any static host
// serves the link.

export function encodeSource(source) {
  const bytes = new TextEncoder().encode(source);
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  }
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

// The source, or null when the text is not base64url of UTF-8.
export function decodeSource(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1) return null;
  try {
    const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return null;
  }
}

// The program a fragment holds: { source } for `#code=...`, { error } for a broken one,
// null for none.
export function programFromHash(hash) {
  const match = /^#?code=(.*)$/s.exec(hash);
  if (!match) return null;
  const source = decodeSource(match[1]);
  return source === null ? { error: 'The link holds no readable program.' } : { source };
}

export function shareLink(location, source) {
  const url = new URL(location.href);
  url.hash = `code=${encodeSource(source)}`;
  return url.href;
}
