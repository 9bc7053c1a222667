// Programs to start from, each showing one thing about costs.
export const examples = [
  {
    name: 'Nested loops',
    program: `BEGIN
  LOOP n
    a + b * c ;
    LOOP 3
      LOOP n
        w * w * z + x * y ;
      END
      a * w ;
    END
    r + r + r + r * s ;
    LOOP n
      a * a * a * a ;
    END
  END
  s * s + s ;
END
`,
  },
  {
    name: 'Two loops side by side',
    program: `BEGIN
  LOOP n
    a * b + c ;
  END
  LOOP n
    LOOP n
      x * y ;
    END
  END
  r + s ;
END
`,
  },
  {
    name: 'Constant loops',
    program: `BEGIN
  LOOP 10
    LOOP 3
      a + b ;
    END
  END
  LOOP n
    c * d ;
  END
END
`,
  },
  {
    name: 'Cubic',
    program: `BEGIN
  LOOP n
    LOOP n
      LOOP n
        a * b + c * d ;
      END
      e + f ;
    END
  END
END
`,
  },
  {
    name: 'Quadratic, light',
    program: `BEGIN
  LOOP n
    LOOP n
      a + b ;
    END
  END
END
`,
  },
  {
    name: 'Linear, heavy',
    program: `BEGIN
  s * s + s ;
  LOOP n
    LOOP 20
      a * b + c ;
    END
  END
END
`,
  },
  {
    name: 'A typo',
    program: `BEGIN
  LOOP n
    a + b * 2 ;
  END
END
`,
  },
];
