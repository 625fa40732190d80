import { helper } from './lib/helper.mjs';
export const moduleValue = helper('module');
