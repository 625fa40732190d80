export function helper(text) { return text + '+helper'; }
