// Text that would end a raw string literal early: )" and )js" and )tarvo"
const s = "back\\slash \"quoted\" \n ??= tab\t";
const greeting = "hej då 👋";
