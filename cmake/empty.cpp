// Keeps the game library non-empty while it has no sources of its own.
