// The plugin file's only own translation unit; the root object and its plugin entry
// points come from the tool_core archive.
