// Stand-ins for the tests: timers moved by hand and a velk host whose replies the test gives.
import { BridgeClient } from "../src/bridge";

export function manualTimers() {
  let queue: Array<{ fn: () => void; at: number; id: number }> = [];
  let now = 0, nextId = 1;
  return {
    timers: {
      set: (fn: () => void, ms: number) => { const id = nextId++; queue.push({ fn, at: now + ms, id }); return id; },
      clear: (id: unknown) => { queue = queue.filter((t) => t.id !== id); },
    },
    advance(ms: number) {
      now += ms;
      const due = queue.filter((t) => t.at <= now);
      queue = queue.filter((t) => t.at > now);
      due.forEach((t) => t.fn());
    },
  };
}

export const tick = () => new Promise((r) => setImmediate(r));

interface Sent { id: number; op: string; payload?: any }

export class FakeVelk {
  readonly sent: Sent[] = [];
  readonly bridge = new BridgeClient({ post: (text) => this.sent.push(JSON.parse(text)) });
  private answered = new Set<number>();

  ops(): string[] {
    return this.sent.map((r) => r.op);
  }

  // The oldest request of `op` not answered yet.
  waiting(op: string): Sent | undefined {
    return this.sent.find((r) => r.op === op && !this.answered.has(r.id));
  }

  answer(op: string, value: unknown): Sent {
    return this.reply(op, { ok: true, value });
  }

  refuse(op: string, error: string): Sent {
    return this.reply(op, { ok: false, error });
  }

  private reply(op: string, reply: object): Sent {
    const request = this.waiting(op);
    if (!request) throw new Error(`no ${op} request is waiting; sent: ${this.ops().join(", ")}`);
    this.answered.add(request.id);
    this.bridge.receive(request.id, reply);
    return request;
  }
}
