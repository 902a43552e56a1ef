// The hand-over between the shell's thread and a reader thread, as steps on
// two words that both threads change only by atomic exchange.
//
// The hand-over word says who may touch the request, the answer and the
// buffer:
//   Idle      nothing is asked; the shell's thread may write a request.
//   Asked     the reader owns the request, answer and buffer; the shell's
//             thread is waiting for the answer.
//   Late      as Asked, but the shell's thread has stopped waiting: the
//             reader posts its answer to the viewer window.
//   Answered  the answer and buffer are the shell's thread's to take.
// The reader writes its answer before it exchanges the word to Answered, and
// only then wakes the waiting thread. The waiting thread decides from the
// word alone, however its wait ended: a wake-up left over from an earlier
// request (the reader signals after its exchange, and may be slow to) ends
// a wait early but never counts as an answer.
//
// The holders word counts the two sides that use a slot's events: the
// shell's thread until it lets the reader go, the reader until it ends.
// Whichever lets go last closes them, so no event is closed while the other
// side may still signal it.
#pragma once

#include <windows.h>

enum Handoff : LONG { HandoffIdle, HandoffAsked, HandoffLate, HandoffAnswered };

// The shell's thread hands a request over; the word was Idle.
inline void handOverRequest(volatile LONG* word) { InterlockedExchange(word, HandoffAsked); }

// The shell's thread stops waiting. True when the answer is in; otherwise the
// reader will post it.
inline bool answerArrived(volatile LONG* word) {
    return InterlockedCompareExchange(word, HandoffLate, HandoffAsked) == HandoffAnswered;
}

// The reader has written its answer. True when the shell's thread stopped
// waiting for it, so that the answer must be posted.
inline bool answerMustBePosted(volatile LONG* word) {
    return InterlockedExchange(word, HandoffAnswered) == HandoffLate;
}

// The shell's thread takes the answer, once. True when there was one.
inline bool takeAnswered(volatile LONG* word) {
    return InterlockedCompareExchange(word, HandoffIdle, HandoffAnswered) == HandoffAnswered;
}

inline bool requestPending(LONG word) { return word != HandoffIdle; }

const LONG BothSides = 2;

// One side is done with the slot's events. True for the last side: it closes them.
inline bool lastToLetGo(volatile LONG* holders) { return InterlockedDecrement(holders) == 0; }
