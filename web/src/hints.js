// The `lumo check` hint for a diagnostic: a sentence for a student on what the mistake
// usually is and how to mend it.
//
// HINT PLACE: the hints come from the `lumo` command's hint library (lumo/, being built
// beside this page), linked into the WebAssembly module once it lands; the page never
// makes up hints of its own. Until then the module has no `hint` function, no diagnostic
// gets a hint, and the page shows the compiler's message alone. The diagnostic list and
// the underline's tooltip show `result.hint` whenever it is a non-empty text.
export function hintOf(module, source, summary) {
  if (typeof module.hint !== 'function' || !summary.diagnosed) return null;
  const hint = module.hint(source, summary.status, summary.errorOffset);
  return hint ? String(hint) : null;
}

export function hintFor(result) {
  return result && result.hint ? result.hint : null;
}
