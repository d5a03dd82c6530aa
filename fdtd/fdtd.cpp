// FDTD engine.
