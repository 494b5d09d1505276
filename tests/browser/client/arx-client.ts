// A small typed client of the plugin, on the types openapi-typescript generates from
// GET /openapi.json (arx-api.d.ts, written by scripts/check-openapi): read the ban, list
// and dismiss reporter feedback, follow the event stream. It is type-checked against the
// generated types, so a change of the document that breaks front-end code fails the check.
import type { components, paths } from './arx-api';

type Schemas = components['schemas'];
export type Ban = Schemas['BanNotification'];
export type ReporterFeedback = Schemas['ReporterFeedback'];
export type ArxError = Schemas['ArxError'];
export type ResourceEvent = Schemas['PluginResourceEvent'];

type Answer<T> = { ok: true; value: T } | { ok: false; error: ArxError };

// The JSON answer of a path of the document, typed by its 200 answer.
type Ok<P extends keyof paths, M extends 'get' | 'delete'> =
  paths[P][M] extends { responses: { 200: { content: { 'application/json': infer T } } } } ? T : never;

async function answer<T>(response: Response): Promise<Answer<T>> {
  const body: unknown = await response.json();
  return response.ok ? { ok: true, value: body as T } : { ok: false, error: body as ArxError };
}

export class ArxClient {
  constructor(private readonly base = '') {}

  async ban(): Promise<Answer<Ok<'/arx-player-behavior/v1/ban', 'get'>>> {
    return answer(await fetch(`${this.base}/arx-player-behavior/v1/ban`));
  }

  async reporterFeedback(): Promise<Answer<Ok<'/arx-player-behavior/v1/reporter-feedback', 'get'>>> {
    return answer(await fetch(`${this.base}/arx-player-behavior/v1/reporter-feedback`));
  }

  async dismissFeedback(id: ReporterFeedback['id']):
      Promise<Answer<Ok<'/arx-player-behavior/v1/reporter-feedback/{id}', 'delete'>>> {
    return answer(await fetch(`${this.base}/arx-player-behavior/v1/reporter-feedback/${id}`, { method: 'DELETE' }));
  }

  // Calls `onChange` with every resource event the plugin fires; returns the stream to close.
  subscribe(onChange: (event: ResourceEvent & { name: string }) => void): EventSource {
    const stream = new EventSource(`${this.base}/events`);
    stream.onmessage = (message: MessageEvent<string>) => {
      const event = JSON.parse(message.data) as ResourceEvent & { name: string };
      if (event.uri !== undefined) onChange(event);
    };
    return stream;
  }
}

// What a front end does with it: the ban's remaining time, and the first feedback dismissed.
export async function example(client: ArxClient): Promise<string> {
  const ban = await client.ban();
  if (!ban.ok) return ban.error.message;
  const remaining: number = ban.value.timeUntilBanExpires - Date.now();
  const feedback = await client.reporterFeedback();
  if (feedback.ok && feedback.value.length > 0) await client.dismissFeedback(feedback.value[0].id);
  return `${ban.value.reason} (${ban.value.source}) for ${remaining} ms more`;
}
