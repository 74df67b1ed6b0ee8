// The `lumo check` hint for a diagnostic: a sentence for a student on what the mistake
// usually is and how to mend it.
//
// HINT PLACE: the hints come from the `lumo` command's hint library (lumohints in lumo/,
// being built beside this page), linked into the WebAssembly module once it lands; the
// page never makes up hints of its own. The module is then to offer `hints(source)`: the
// notes `lumo check` prints for the diagnostic of the last compilation, as an array of
// sentences (lumo::hints::notes(source, lumo::hints::diagnose(result))). Until then the
// module has no `hints` function, no diagnostic gets a hint, and the page shows the
// compiler's message alone. The diagnostic list and the underline's tooltip show
// `result.hint` whenever it is a non-empty text.
export function hintOf(module, source, summary) {
  if (typeof module.hints !== 'function' || !summary.diagnosed) return null;
  const notes = Array.from(module.hints(source) || [], String).filter(Boolean);
  return notes.length > 0 ? notes.join(' ') : null;
}

export function hintFor(result) {
  return result && result.hint ? result.hint : null;
}
