// Keeps the resource library non-empty before any art exists.
