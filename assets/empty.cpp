// Placeholder translation unit so the resource library always has a source.
