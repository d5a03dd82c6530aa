// UPPE engine.
