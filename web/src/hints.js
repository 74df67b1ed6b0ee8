// The `lumo check` hint for a diagnostic: a sentence for a student on what the mistake
// usually is and how to mend it. The hints come from the `lumo` command's own hint library
// (lumohints in lumo/), linked into the WebAssembly module; the page makes up none of its
// own. The module's `hints(source)` gives the notes `lumo check` prints for the diagnostic
// of the last compilation; the diagnostic list and the underline's tooltip show
// `result.hint` whenever it is a non-empty text.
export function hintOf(module, source, summary) {
  if (typeof module.hints !== 'function' || !summary.diagnosed) return null;
  const notes = Array.from(module.hints(source) || [], String).filter(Boolean);
  return notes.length > 0 ? notes.join(' ') : null;
}

export function hintFor(result) {
  return result && result.hint ? result.hint : null;
}
