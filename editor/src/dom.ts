// Element lookup by id for the page's fixed elements.
export const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;
