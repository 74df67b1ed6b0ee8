// Run and Step: not wired yet; the simulator's side of the module comes next.
export class MachinePanel {
  constructor() {
    for (const id of ['run', 'step', 'stop']) document.getElementById(id).disabled = true;
  }
  attach() {}
  compiled() {}
  sourceChanged() {}
}
