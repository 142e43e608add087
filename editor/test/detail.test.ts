import { test } from "node:test";
import assert from "node:assert/strict";
import { boxZoom, cardSignature, detailAt, drawsAsBox, placeSignature } from "../src/detail";
import { CardNode } from "../src/model";

const card: CardNode = { id: "a", type: "text", text: "Hello", x: 0, y: 0, width: 250, height: 60 };

test("cards are boxes only below the zoom where text becomes unreadable", () => {
  assert.equal(detailAt(1), "full");
  assert.equal(detailAt(boxZoom), "full");
  assert.equal(detailAt(boxZoom - 0.01), "box");
  assert.equal(detailAt(0.1), "box");
});

test("far out, groups, ink and selected or edited cards keep their full drawing", () => {
  assert.ok(drawsAsBox("box", card, false, false));
  assert.ok(!drawsAsBox("full", card, false, false));
  assert.ok(!drawsAsBox("box", { ...card, type: "group", label: "Ideas" }, false, false), "group");
  assert.ok(!drawsAsBox("box", { ...card, type: "file", file: "ink.svg" }, true, false), "ink");
  assert.ok(!drawsAsBox("box", card, false, true), "pinned");
});

test("a card's signature changes with anything it shows, a box's only with its look", () => {
  const full = cardSignature(card, undefined, false, false);
  assert.notEqual(cardSignature({ ...card, text: "Hello!" }, undefined, false, false), full);
  assert.notEqual(cardSignature(card, { preview: { title: "t" } }, false, false), full);
  assert.notEqual(cardSignature(card, undefined, true, false), full);
  const asBox = cardSignature(card, undefined, false, true);
  assert.notEqual(asBox, full, "switching between box and full redraws");
  assert.equal(cardSignature({ ...card, text: "other" }, undefined, false, true), asBox);
  assert.notEqual(cardSignature({ ...card, color: "3" }, undefined, false, true), asBox);
  assert.notEqual(cardSignature({ ...card, type: "link" }, undefined, false, true), asBox);
});

test("place signatures tell every coordinate and the stacking order apart", () => {
  const base = placeSignature(1, 2, 3, 4, 5);
  for (const other of [placeSignature(9, 2, 3, 4, 5), placeSignature(1, 9, 3, 4, 5), placeSignature(1, 2, 9, 4, 5),
    placeSignature(1, 2, 3, 9, 5), placeSignature(1, 2, 3, 4, 9), placeSignature(12, 3, 4, 5, 5)]) {
    assert.notEqual(other, base);
  }
});
