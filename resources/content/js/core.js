// Shared by the content pages. The preferences (ZipCode, GUID, ...) come from
// core-pref.js, which the panel writes.

// Fills the page's advertising images. No advertising server is configured,
// so the spacer images stay.
function genLoadURL(page, height, width, zipCode, guid) {
}

// The text of a preference, or "" when the preference file is not there yet.
function pref(name) {
  return typeof window[name] === "string" ? window[name] : "";
}
