#include "PageActions.h"

namespace velk::e2e {

namespace {

// Events carry what a browser puts in them for a mouse: pointer id 1, the primary button, the
// point in client coordinates. A user's click is down, up, click; a double click repeats it with
// the click count 2 and ends with dblclick.
constexpr std::string_view actions = R"JS(window.__velkE2E ??= (() => {
  const at = (x, y) => document.elementFromPoint(x, y) ?? document.body;
  const mouse = (x, y, buttons, detail, button = 0) => ({
    bubbles: true, cancelable: true, composed: true, view: window, clientX: x, clientY: y,
    screenX: x, screenY: y, button, buttons, detail,
  });
  const pointer = (type, x, y, buttons, button = 0) => at(x, y).dispatchEvent(new PointerEvent(type, {
    ...mouse(x, y, buttons, 0, button), pointerId: 1, pointerType: "mouse", isPrimary: true,
  }));
  const mouseEvent = (type, x, y, buttons, detail) =>
    at(x, y).dispatchEvent(new MouseEvent(type, mouse(x, y, buttons, detail)));
  const press = (x, y, detail) => {
    pointer("pointerdown", x, y, 1);
    mouseEvent("mousedown", x, y, 1, detail);
    pointer("pointerup", x, y, 0);
    mouseEvent("mouseup", x, y, 0, detail);
    mouseEvent("click", x, y, 0, detail);
  };
  const focused = () => document.activeElement ?? document.body;
  const keyInit = (key, modifiers) => ({
    bubbles: true, cancelable: true, composed: true, key,
    code: key.length === 1 ? (/[a-z]/i.test(key) ? `Key${key.toUpperCase()}` : "") : key,
    ctrlKey: modifiers.includes("ctrl"), shiftKey: modifiers.includes("shift"),
    altKey: modifiers.includes("alt"), metaKey: modifiers.includes("meta"),
  });
  // A key whose keydown nobody cancelled types into a text field, as the browser's default would.
  const typeOne = (ch) => {
    const key = ch === "\n" ? "Enter" : ch;
    const target = focused();
    const typed = target.dispatchEvent(new KeyboardEvent("keydown", keyInit(key, "")));
    if (typed && "setRangeText" in target) {
      const inputType = ch === "\n" ? "insertLineBreak" : "insertText";
      const before = new InputEvent("beforeinput", { bubbles: true, cancelable: true, inputType, data: ch });
      if (target.dispatchEvent(before)) {
        target.setRangeText(ch, target.selectionStart, target.selectionEnd, "end");
        target.dispatchEvent(new InputEvent("input", { bubbles: true, inputType, data: ch }));
      }
    }
    target.dispatchEvent(new KeyboardEvent("keyup", keyInit(key, "")));
  };
  return {
    // One pointer event of the mouse; `button` 1 is the middle button, `buttons` those held.
    pointer,
    click: (x, y) => press(x, y, 1),
    doubleClick: (x, y) => {
      press(x, y, 1);
      press(x, y, 2);
      mouseEvent("dblclick", x, y, 0, 2);
    },
    drag: (x1, y1, x2, y2, steps) => {
      pointer("pointerdown", x1, y1, 1);
      for (let i = 1; i <= steps; i++) {
        pointer("pointermove", x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps, 1);
      }
      pointer("pointerup", x2, y2, 0);
    },
    type: (text) => { for (const ch of text) typeOne(ch); },
    pasteFile: (base64, type) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      const data = new DataTransfer();
      data.items.add(new File([bytes], "pasted", { type }));
      focused().dispatchEvent(new ClipboardEvent("paste", { bubbles: true, cancelable: true, clipboardData: data }));
    },
    press: (key, modifiers) => {
      focused().dispatchEvent(new KeyboardEvent("keydown", keyInit(key, modifiers)));
      focused().dispatchEvent(new KeyboardEvent("keyup", keyInit(key, modifiers)));
    },
  };
})();
)JS";

}  // namespace

std::string pageAction(std::string_view call) {
    std::string script(actions);
    script += call;
    script += ";";
    return script;
}

}  // namespace velk::e2e
