// 74HC161: synchronous presettable 4-bit binary counter with asynchronous reset, DIP16.
// Behavioural model from the part's function table:
//   nMR low                      Q = 0 at once
//   nPE low, rising CP           Q = D (load, whatever CEP and CET are)
//   CEP and CET high, rising CP  Q = Q + 1
//   otherwise                    Q holds
//   TC = CET and Q = 15
module hc161 (
    input            nMR, CP, CEP, CET, nPE,
    input      [3:0] D,
    output reg [3:0] Q,
    output           TC
);
    always @(posedge CP or negedge nMR)
        if (!nMR)
            Q <= 4'd0;
        else if (!nPE)
            Q <= D;
        else if (CEP && CET)
            Q <= Q + 4'd1;
    assign TC = CET & (Q == 4'd15);
endmodule
