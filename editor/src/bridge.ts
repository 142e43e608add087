// The page's side of the request/reply bridge to velk. Each request gets a fresh integer id;
// velk answers by calling window.__velkReply(id, reply) exactly once per request.
import { isObject } from "./json";

export type Op =
  | "load" | "save" | "media" | "refresh" | "home" | "rename"
  | "saveAs" | "feedback" | "share" | "unshare" | "preview" | "export";

export interface Transport {
  post(text: string): void;
}

export class BridgeError extends Error {}

interface Pending {
  resolve(value: unknown): void;
  reject(error: Error): void;
}

export class BridgeClient {
  private nextId = 1;
  private pending = new Map<number, Pending>();

  constructor(private transport: Transport) {}

  request<T = unknown>(op: Op, payload?: unknown): Promise<T> {
    const id = this.nextId++;
    const message: Record<string, unknown> = { id, op };
    if (payload !== undefined) message.payload = payload;
    return new Promise<T>((resolve, reject) => {
      this.pending.set(id, { resolve: resolve as (v: unknown) => void, reject });
      try {
        this.transport.post(JSON.stringify(message));
      } catch (error) {
        this.pending.delete(id);
        reject(error instanceof Error ? error : new BridgeError(String(error)));
      }
    });
  }

  // Completes request `id`. Replies to unknown or already answered ids are ignored: velk keeps
  // no record of ids, so a stray reply must not disturb the page.
  receive(id: unknown, reply: unknown): void {
    if (typeof id !== "number") return;
    const waiting = this.pending.get(id);
    if (!waiting) return;
    this.pending.delete(id);
    if (isObject(reply) && reply.ok === true) waiting.resolve(reply.value ?? null);
    else if (isObject(reply) && typeof reply.error === "string") waiting.reject(new BridgeError(reply.error));
    else waiting.reject(new BridgeError("velk sent a reply the page cannot read"));
  }

  get waiting(): number {
    return this.pending.size;
  }
}
